#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "engine_fakes.h"
#include "fs/sys_calls.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "logs/log.h"
#include "logs/values.h"
#include "operation/operation_engine.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using Rig = LinuxRig;

}  // namespace

TEST(EngineRun, CopyIntoEmptyDestinationLogsEveryFileAndFinishes) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "aaaa");
  writeFile(tmp / "src/b.ogg", std::string(300000, 'b'));
  Rig r;
  r.tick(tmp / "src/a.mp3", tmp / "src/b.ogg");
  r.entries.add((tmp / "src/unticked.mp3").string(), 0, false);
  r.params.destination = (tmp / "dst").string() + "/ ";
  MemoryLog plog;
  r.go();

  EXPECT_EQ(readFile(tmp / "dst/a.mp3"), "aaaa");
  EXPECT_EQ(readFile(tmp / "dst/b.ogg"), std::string(300000, 'b'));
  EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"a.mp3", "b.ogg"}));
  const std::string a = (tmp / "src/a.mp3").string(), b = (tmp / "src/b.ogg").string();
  const std::vector<std::string> expected{"[T] Создание рабочего списка",
                                          "[T] Предварительные операции",
                                          "[T] Проверка рабочего списка",
                                          "[T] Копирование",
                                          "[T] Копирование \"" + a + "\"..." + kDone,
                                          "[T] Копирование \"" + b + "\"..." + kDone,
                                          "[T] Завершающие операции",
                                          "",
                                          "[T] Операция завершена"};
  EXPECT_EQ(r.display.log, expected);
  EXPECT_TRUE(r.display.questions.empty());  // a plain copy asks nothing
  // Sizes were refreshed, destinations kept, the unticked entry untouched.
  EXPECT_EQ(r.entries.at(0).size, 4);
  EXPECT_EQ(r.entries.at(1).size, 300000);
  EXPECT_EQ(r.entries.at(0).dest, (tmp / "dst/a.mp3").string());
  EXPECT_EQ(r.entries.at(2).dest, "");
  EXPECT_EQ(r.entries.at(0).flags, FLAG_MARKED);
  EXPECT_EQ(r.engine.done(), 300004);
  EXPECT_EQ(r.engine.total(), 300004);
  EXPECT_EQ(r.display.bars.back(), std::make_pair(1000, 0));
  // Buttons: running during the run, idle at its end.
  ASSERT_FALSE(r.display.controls.empty());
  EXPECT_TRUE(r.display.controls.front().running);
  EXPECT_FALSE(r.display.controls.back().running);
  EXPECT_FALSE(r.engine.flags().running);
  // The program log names every stage, in order.
  const std::vector<std::string> programLog{"",
                                            "aPreparePL()",
                                            "  Medium ext4",
                                            "aPreparePL() end",
                                            "",
                                            "aPreAction()",
                                            "  Check root " + (tmp / "dst").string(),
                                            "aPreAction() end",
                                            "",
                                            "aCheckPL()",
                                            "  UpdatePLFilesInfo()",
                                            "  UpdatePLFilesInfo() end",
                                            "  CheckDestFilesExisting()",
                                            "  CheckDestFilesExisting() end",
                                            "aCheckPL() end",
                                            "",
                                            "aAction()",
                                            "aAction() end",
                                            "",
                                            "aPostAction()",
                                            "aPostAction() end"};
  EXPECT_EQ(plog.texts(), programLog);
}

TEST(EngineRun, ExistingDestinationsFollowThePolicy) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "new-a");
  writeFile(tmp / "src/b.mp3", "new-b");
  writeFile(tmp / "dst/a.mp3", "old-a");
  writeFile(tmp / "dst/b.mp3", "old-b");
  writeFile(tmp / "dst/b (1).mp3", "old-b1");

  // Skip: the line ends with "пропущено" and its size leaves the total.
  {
    Rig r;
    r.tick(tmp / "src/a.mp3");
    r.params.destination = (tmp / "dst").string();
    r.params.ifExistsCopy = existsSkip;
    r.go();
    EXPECT_EQ(readFile(tmp / "dst/a.mp3"), "old-a");
    EXPECT_EQ(r.display.log[4],
              "[T] Копирование \"" + (tmp / "src/a.mp3").string() + "\"...        - пропущено");
    EXPECT_EQ(r.engine.total(), 0);
    EXPECT_EQ(r.entries.at(0).flags & FLAG_TARGET_EXISTS, FLAG_TARGET_EXISTS);
    ASSERT_EQ(r.display.questions.size(), 1u);
    EXPECT_EQ(r.display.questions[0],
              "Проверка рабочего списка|В рабочем списке: \r\n • Операция: Копирование\r\n"
              " • Существующих файлов в приемнике: 1 \r\n • Всего файлов: 1\r\nПродолжить?");
  }
  // New name: the next free number.
  {
    Rig r;
    r.tick(tmp / "src/b.mp3");
    r.params.destination = (tmp / "dst").string();
    r.go();
    EXPECT_EQ(readFile(tmp / "dst/b.mp3"), "old-b");
    EXPECT_EQ(readFile(tmp / "dst/b (1).mp3"), "old-b1");
    EXPECT_EQ(readFile(tmp / "dst/b (2).mp3"), "new-b");
    EXPECT_EQ(r.display.files.at(1), (tmp / "dst/b (2).mp3").string());
  }
  // Replace.
  {
    Rig r;
    r.tick(tmp / "src/a.mp3");
    r.params.destination = (tmp / "dst").string();
    r.params.ifExistsCopy = existsReplace;
    r.go();
    EXPECT_EQ(readFile(tmp / "dst/a.mp3"), "new-a");
    EXPECT_EQ(r.display.log.back(), "[T] Операция завершена");
  }
}

TEST(EngineRun, MissingFilesAreCountedLoggedAndSkipped) {
  TempDir tmp;
  writeFile(tmp / "src/here.mp3", "x");
  Rig r;
  r.entries.add((tmp / "src/gone.mp3").string(), 5000, true, "Gone song");
  r.tick(tmp / "src/here.mp3");
  r.params.destination = (tmp / "dst").string();
  MemoryLog plog;
  r.go();
  const std::string gone = (tmp / "src/gone.mp3").string();
  EXPECT_EQ(r.display.log[4], "[T] " + gone + " - пропущено (не существует)");
  EXPECT_EQ(r.display.log[5],
            "[T] Копирование \"" + (tmp / "src/here.mp3").string() + "\"..." + kDone);
  EXPECT_EQ(r.entries.at(0).size, -1);
  EXPECT_EQ(r.entries.at(0).flags, FLAG_MARKED | FLAG_GONE);
  EXPECT_TRUE(plog.has("   ERR on 0  Gone song > -1 01010000"));
  // The missing file is not part of the work.
  EXPECT_EQ(r.engine.total(), 1);
  ASSERT_EQ(r.display.questions.size(), 1u);
  EXPECT_NE(r.display.questions[0].find(" • Не существующих файлов: 1\r\n"), std::string::npos);
  // The file that was not there counts among the failures, and the log opens.
  EXPECT_EQ(r.display.log.back(), "[T] Операция завершена с ошибками: 1");
  EXPECT_EQ(r.display.logOpened, 1);
}

TEST(EngineRun, OriginThatVanishesAfterTheCheckFails) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "src/b.mp3", "b");
  Rig r;
  r.tick(tmp / "src/a.mp3", tmp / "src/b.mp3");
  r.params.destination = (tmp / "dst").string();
  r.display.onPump = [&] {
    if (!r.display.headers.empty() && r.display.headers.back() == "Копирование")
      fs::remove(tmp / "src/a.mp3");
  };
  r.go();
  EXPECT_EQ(r.display.log[4], "[T] Копирование \"" + (tmp / "src/a.mp3").string() +
                                  "\"...        - ошибка (исходный файл не найден)");
  EXPECT_EQ(r.display.log[5],
            "[T] Копирование \"" + (tmp / "src/b.mp3").string() + "\"..." + kDone);
  EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"b.mp3"}));
  EXPECT_EQ(r.engine.total(), 1);
  EXPECT_EQ(r.engine.done(), 1);
}

TEST(EngineRun, OriginEqualToDestinationIsNotTouched) {
  TempDir tmp;
  writeFile(tmp / "music/a.mp3", "keep");
  Rig r;
  r.tick(tmp / "music/a.mp3");
  r.params.destination = (tmp / "music").string();
  r.params.ifExistsCopy = existsReplace;
  r.go();
  EXPECT_EQ(r.display.log[5], "[T] Неверные параметры команды        - пропущено");
  EXPECT_EQ(readFile(tmp / "music/a.mp3"), "keep");
  EXPECT_EQ(namesIn(tmp / "music"), (std::set<std::string>{"a.mp3"}));
  // It counted as existing in the destination.
  EXPECT_NE(r.display.questions.at(0).find("Существующих файлов в приемнике: 1 "),
            std::string::npos);

  // The same file under another spelling of its path is just as unusable for a move.
  Rig m;
  m.tick(tmp / "music/./a.mp3");
  m.params.action = actMove;
  m.params.destination = (tmp / "music").string();
  m.params.ifExistsMove = existsReplace;
  m.go();
  EXPECT_EQ(m.display.log[5], "[T] Неверные параметры команды        - пропущено");
  EXPECT_EQ(readFile(tmp / "music/a.mp3"), "keep");
  EXPECT_EQ(m.entries.at(0).flags & FLAG_GONE, 0);
}

TEST(EngineRun, MoveAndDeleteSetGoneAndDeleteShowsCounts) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "src/b.mp3", "b");
  Rig m;
  m.tick(tmp / "src/a.mp3");
  m.params.action = actMove;
  m.params.destination = (tmp / "dst").string();
  m.go();
  EXPECT_FALSE(fs::exists(tmp / "src/a.mp3"));
  EXPECT_EQ(readFile(tmp / "dst/a.mp3"), "a");
  EXPECT_EQ(m.entries.at(0).flags, FLAG_MARKED | FLAG_GONE);
  EXPECT_EQ(m.display.questions.size(), 1u);  // a move always asks
  EXPECT_EQ(m.display.log[4],
            "[T] Перемещение \"" + (tmp / "src/a.mp3").string() + "\"..." + kDone);

  Rig d;
  d.tick(tmp / "src/b.mp3", tmp / "src/missing.mp3");
  d.params.action = actDelete;
  d.params.deleteToRecycleBin = false;
  d.params.destination = "";
  d.go();
  EXPECT_FALSE(fs::exists(tmp / "src/b.mp3"));
  EXPECT_EQ(d.display.log[0], "[T] Создание рабочего списка");
  EXPECT_EQ(d.display.log[3], "[T] Удаление");
  EXPECT_EQ(d.display.log[4], "[T] Удаление \"" + (tmp / "src/b.mp3").string() + "\"" + kDone);
  EXPECT_EQ(d.display.questions.size(), 1u);
  // Delete keeps sizes and has no destination lookups.
  EXPECT_EQ(d.entries.at(1).size, 0);
  EXPECT_EQ(d.entries.at(0).flags, FLAG_MARKED | FLAG_GONE);
  ASSERT_FALSE(d.display.figures.empty());
  EXPECT_EQ(d.display.figures.back().doneText, "1");
  EXPECT_EQ(d.display.figures.back().totalText, "1");
  EXPECT_EQ(d.display.figures.back().speed, "");
  EXPECT_EQ(d.display.log.back(), "[T] Операция завершена с ошибками: 1");
}

TEST(EngineRun, DeleteToTrashIsRestorable) {
  TempDir tmp;
  TempDir data;
  writeFile(tmp / "src/song.mp3", "tune");
  Rig d;
  d.tick(tmp / "src/song.mp3");
  d.params.action = actDelete;
  {
    ScopedEnv trashHome("XDG_DATA_HOME", data.str());
    d.go();
  }
  EXPECT_FALSE(fs::exists(tmp / "src/song.mp3"));
  EXPECT_EQ(readFile(data / "Trash/files/song.mp3"), "tune");
  EXPECT_TRUE(fs::exists(data / "Trash/info/song.mp3.trashinfo"));
  EXPECT_EQ(d.display.log[4], "[T] Удаление \"" + (tmp / "src/song.mp3").string() + "\"" + kDone);
}

TEST(EngineRun, NoMarkedEntryFailsWithItsBox) {
  Rig r;
  r.entries.add("/nowhere/a.mp3", 0, false);
  TempDir tmp;
  r.params.destination = tmp.str();
  r.go();
  EXPECT_EQ(r.display.errors,
            std::vector<std::string>{"Проверка рабочего списка|Не отмечены файлы для операции"});
  EXPECT_TRUE(r.display.questions.empty());
  EXPECT_EQ(r.display.log.back(), "[T] Операция прервана");
  EXPECT_EQ(r.display.log[r.display.log.size() - 2], "");
}

TEST(EngineRun, UnusableRootsFailTheRunWithAReport) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "file", "not a folder");
  RecordingBox box;
  MemoryLog plog;
  for (const std::string& dest : {std::string(" / "), (tmp / "file/dst").string()}) {
    Rig r;
    r.tick(tmp / "src/a.mp3");
    r.params.destination = dest;
    r.go();
    EXPECT_EQ(r.display.log.back(), "[T] Операция прервана") << dest;
    EXPECT_EQ(r.display.log[r.display.log.size() - 3], "[T] Предварительные операции") << dest;
  }
  ASSERT_EQ(box.boxes.size(), 2u);
  EXPECT_EQ(box.boxes[0].caption, "Vo Tavel");
  EXPECT_NE(box.boxes[0].text.find("GCF: Blank path "), std::string::npos);
  EXPECT_NE(box.boxes[1].text.find("Ошибка создания папки \"" + (tmp / "file/dst").string()),
            std::string::npos);
  EXPECT_TRUE(plog.has("BugFS: GCF: Blank path "));
  EXPECT_FALSE(fs::exists(tmp / "file/dst"));

  // An existing root is announced before the clearing question.
  Rig ok;
  ok.tick(tmp / "src/a.mp3");
  ok.params.destination = (tmp / "src").string() + "/../out";
  fs::create_directories(tmp / "out");
  ok.go();
  EXPECT_TRUE(plog.has("  Clear Dest?"));
  EXPECT_EQ(readFile(tmp / "out/a.mp3"), "a");
}

TEST(EngineRun, ClearingTheDestinationIsLoggedBetweenTheRootCheckAndTheStageEnd) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "dst/old/x.mp3", "x");
  Rig r;
  r.tick(tmp / "src/a.mp3");
  const std::string root = (tmp / "dst").string();
  r.params.destination = root + "/";
  r.params.clearDestination = true;
  MemoryLog plog;
  r.go();
  EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"a.mp3"}));
  const std::vector<std::string> texts = plog.texts();
  const auto stage = std::find(texts.begin(), texts.end(), "aPreAction()");
  ASSERT_NE(stage, texts.end());
  // The folder follows the routine's name directly, as the stage names do with " end".
  const std::vector<std::string> expected{"aPreAction()",
                                          "  Check root " + root,
                                          "  Clear Dest?",
                                          "  DeleteFolderContents()" + root,
                                          "  DeleteFolderContents() end",
                                          "aPreAction() end"};
  ASSERT_GE(texts.end() - stage, static_cast<std::ptrdiff_t>(expected.size()));
  EXPECT_EQ(std::vector<std::string>(stage, stage + static_cast<std::ptrdiff_t>(expected.size())),
            expected);
  EXPECT_EQ(r.display.log[2], "[T] Удаление содержимого папки \"" + root + "\"...       завершено");
}

TEST(EngineRun, NumbersCountTheTickedRowsOnly) {
  TempDir tmp;
  Rig r;
  for (int i = 0; i < 12; ++i) {
    const fs::path f = tmp / "src" / ("t" + std::to_string(i) + ".mp3");
    writeFile(f, "x");
    r.entries.add(f.string(), 0, i != 3 && i != 5);  // 10 ticked rows
  }
  r.params.destination = (tmp / "dst").string();
  r.params.renameEnabled = true;
  r.params.renameByDescription = false;
  r.params.numberItems = true;
  r.go();
  EXPECT_EQ(r.entries.at(0).dest, (tmp / "dst/01 t0.mp3").string());
  EXPECT_EQ(r.entries.at(4).dest, (tmp / "dst/04 t4.mp3").string());
  EXPECT_EQ(r.entries.at(3).dest, "");
  EXPECT_EQ(r.entries.at(11).dest, (tmp / "dst/10 t11.mp3").string());
  EXPECT_EQ(namesIn(tmp / "dst").size(), 10u);
}

TEST(EngineRun, FoldersAreCreatedAndFailuresReported) {
  TempDir tmp;
  writeFile(tmp / "src/Album/a.mp3", "a");
  writeFile(tmp / "src/album/b.mp3", "b");
  writeFile(tmp / "src/Blocked/c.mp3", "c");
  writeFile(tmp / "dst/Blocked", "a file where a folder is wanted");
  Rig r;
  r.tick(tmp / "src/Album/a.mp3", tmp / "src/album/b.mp3", tmp / "src/Blocked/c.mp3");
  r.params.destination = (tmp / "dst").string();
  r.params.folderLayout = layoutNearestFolder;
  r.go();
  // Folder names that differ only by letter case are two folders here.
  EXPECT_EQ(readFile(tmp / "dst/Album/a.mp3"), "a");
  EXPECT_EQ(readFile(tmp / "dst/album/b.mp3"), "b");
  const std::string blocked = (tmp / "dst/Blocked").string();
  EXPECT_EQ(r.display.log[2], "[T] Создание папки \"" + (tmp / "dst/Album").string() + "\"");
  EXPECT_EQ(r.display.log[3], "[T] Создание папки \"" + (tmp / "dst/album").string() + "\"");
  EXPECT_EQ(r.display.log[4], "[T] Создание папки \"" + blocked + "\"");
  EXPECT_EQ(r.display.log[5], "[T] Ошибка создания папки \"" + blocked + "\"");
  EXPECT_EQ(r.display.log.back(), "[T] Операция завершена с ошибками: 1");
  EXPECT_EQ(r.entries.at(2).flags & FLAG_GONE, 0);
}

TEST(EngineRun, MoveAcrossFileSystems) {
  const fs::path shm = "/dev/shm";
  struct stat a, b;
  TempDir tmp;
  if (::stat(shm.c_str(), &a) != 0 || ::stat(tmp.str().c_str(), &b) != 0 || a.st_dev == b.st_dev)
    GTEST_SKIP() << "no second file system";
  char templ[] = "/dev/shm/tavel-move-XXXXXX";
  ASSERT_NE(mkdtemp(templ), nullptr);
  const fs::path src = templ;
  writeFile(src / "a.mp3", std::string(5 << 20, 'm'));
  Rig r;
  r.tick(src / "a.mp3");
  r.params.action = actMove;
  r.params.destination = (tmp / "dst").string();
  r.go();
  EXPECT_FALSE(fs::exists(src / "a.mp3"));
  EXPECT_EQ(fs::file_size(tmp / "dst/a.mp3"), 5u << 20);
  EXPECT_EQ(r.display.log.back(), "[T] Операция завершена");
  fs::remove_all(src);
}

TEST(EngineRoot, BlanksBeforeATrailingSeparatorNameTheSameFolderInEveryStage) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "out/old.mp3", "old");
  Rig r;
  r.tick(tmp / "src/a.mp3");
  r.params.destination = (tmp / "out").string() + " / ";
  r.params.clearDestination = true;
  std::vector<std::string> opened;
  FsCalls recording = RealFsCalls();
  recording.open = [&opened](const char* path, int flags, mode_t mode) {
    opened.emplace_back(path);
    return ::open(path, flags, mode);
  };
  {
    ScopedFsCalls scoped(recording);
    r.go();
  }
  // Cleared, written and flushed: "out" every time; no folder "out " appears.
  EXPECT_EQ(namesIn(tmp.path()), (std::set<std::string>{"out", "src"}));
  EXPECT_EQ(namesIn(tmp / "out"), (std::set<std::string>{"a.mp3"}));
  EXPECT_EQ(r.entries.at(0).dest, (tmp / "out/a.mp3").string());
  EXPECT_EQ(r.display.questions.at(0), "Предварительные операции|Удалить все содержимое папки \"" +
                                           (tmp / "out").string() + "\"?");
  EXPECT_EQ(opened.back(), (tmp / "out").string());  // the flush
  EXPECT_EQ(r.display.log.back(), "[T] Операция завершена");
  EXPECT_EQ(DestinationRoot(" /media/stick/out / /  "), "/media/stick/out");
}

TEST(EngineProgress, FiguresFollowTheClock) {
  LoadSizeUnits();
  SetDecimalSeparator('.');
  TempDir tmp;
  writeFile(tmp / "src/a.flac", std::string(8 << 20, 'a'));
  Rig r;
  r.tick(tmp / "src/a.flac");
  r.params.destination = (tmp / "dst").string();
  double seconds = 0;
  r.engine.SetClock([&] { return (seconds += 1.0) / 86400.0; });
  r.go();
  // Half way: two seconds after the start, 4 MiB of 8 MiB done.
  bool found = false;
  for (const ProgressFigures& f : r.display.figures) {
    if (f.percent != "50%") continue;
    found = true;
    EXPECT_EQ(f.speed, "2 МБ/сек");
    EXPECT_EQ(f.doneText, "4.1 МБ\r\n00:00:02");
    EXPECT_EQ(f.totalText, "8.3 МБ\r\n00:00:04");
    EXPECT_EQ(f.remaining, "00:00:02");
  }
  EXPECT_TRUE(found);
  // The first call, before any byte: no total time and no remaining time yet.
  ASSERT_FALSE(r.display.figures.empty());
  EXPECT_EQ(r.display.figures.front().percent, "0%");
  EXPECT_EQ(r.display.figures.front().totalText, "");
  EXPECT_EQ(r.display.figures.front().speed, "0 /сек");
  EXPECT_EQ(r.display.figures.back().percent, "100%");
  EXPECT_EQ(r.display.figures.back().remaining, "");
  ResetSizeUnits();
  SetDecimalSeparator(0);
}

TEST(EngineProgress, BarsWaitForTheClockAndFiguresForASecond) {
  TempDir tmp;
  writeFile(tmp / "src/a.flac", std::string(20 << 20, 'a'));
  // A clock that stands still: only the forced update after the file moves the bars.
  {
    Rig r;
    r.tick(tmp / "src/a.flac");
    r.params.destination = (tmp / "dst1").string();
    r.engine.SetClock([] { return 1.0; });
    r.go();
    for (const auto& bar : r.display.bars)
      EXPECT_TRUE(bar.second == 0 || bar.second == 1000) << bar.second;
    EXPECT_EQ(r.display.figures.size(), 2u);  // the first call, then the forced one
  }
  // A clock moving a tenth of a second per look: every call moves the bars, the figures
  // change once per second at most (plus the forced update).
  {
    Rig r;
    r.tick(tmp / "src/a.flac");
    r.params.destination = (tmp / "dst2").string();
    r.clock = 46000;  // a real date: the first call then shows figures at once
    r.go();
    int partial = 0;
    for (const auto& bar : r.display.bars) partial += bar.second > 0 && bar.second < 1000;
    EXPECT_GE(partial, 3);
    EXPECT_EQ(r.display.figures.size(), 2u);
  }
}

TEST(ConfirmationText, BulletsLinesAndExcess) {
  LoadSizeUnits();
  SetDecimalSeparator('.');
  CheckCounters c;
  c.marked = 3;
  c.gone = 1;
  c.existing = 2;
  c.total = 2500000;
  EXPECT_EQ(ConfirmationList(actCopy, c, 1000000),
            "\r\n • Операция: Копирование"
            "\r\n • Не существующих файлов: 1"
            "\r\n • Существующих файлов в приемнике: 2 "
            "\r\n • Всего файлов: 3"
            "\r\n • Превышение установленного ограничения размера на 1.5 МБ");
  EXPECT_EQ(LangFormat(353, {ConfirmationList(actDelete, CheckCounters{2, 0, 0, 10}, 0)}),
            "В рабочем списке: \r\n • Операция: Удаление\r\n • Всего файлов: 2\r\nПродолжить?");
  // No limit, no excess line, however large the total.
  c.total = 1LL << 50;
  EXPECT_EQ(ConfirmationList(actMove, c, 0).find("Превышение"), std::string::npos);

  const CheckCounters plain{4, 0, 0, 100};
  EXPECT_FALSE(NeedsConfirmation(actCopy, plain, 0));
  EXPECT_FALSE(NeedsConfirmation(actCopy, plain, 100));
  EXPECT_TRUE(NeedsConfirmation(actCopy, plain, 99));
  EXPECT_TRUE(NeedsConfirmation(actMove, plain, 0));
  EXPECT_TRUE(NeedsConfirmation(actDelete, plain, 0));
  EXPECT_TRUE(NeedsConfirmation(actCopy, CheckCounters{4, 1, 0, 100}, 0));
  EXPECT_TRUE(NeedsConfirmation(actCopy, CheckCounters{4, 0, 1, 100}, 0));
  EXPECT_TRUE(NeedsConfirmation(actCopy, CheckCounters{2, 1, 1, 100}, 0));
  ResetSizeUnits();
  SetDecimalSeparator(0);
}

TEST(ProgressTexts, TimePrefixAndDurations) {
  const std::string line = TimePrefixedLine("Копирование");
  ASSERT_EQ(line.size(), 11 + std::string("Копирование").size());
  const std::string pattern = "[dd.dd:dd] ";
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == 'd')
      EXPECT_TRUE(line[i] >= '0' && line[i] <= '9') << line;
    else
      EXPECT_EQ(line[i], pattern[i]) << line;
  }
  EXPECT_EQ(line.substr(11), "Копирование");
  EXPECT_EQ(DurationToText(0), "00:00:00");
  EXPECT_EQ(DurationToText(3661.0 / 86400), "01:01:01");
  EXPECT_EQ(DurationToText(59.6 / 86400), "00:01:00");
  EXPECT_EQ(DurationToText(25.0 / 24), "01:00:00");  // a day and more wraps
}
