#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "engine_fakes.h"
#include "fs/sys_calls.h"
#include "lang/message_box.h"
#include "logs/log.h"
#include "operation/operation_engine.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// The program log kept in memory for the test.
class MemoryLog {
 public:
  MemoryLog() {
    log.LogOpen("unused.log", lmRewrite | lmDeferred, "hh:nn:ss");
    SetProgramLog(&log);
  }
  ~MemoryLog() { SetProgramLog(nullptr); }
  // The lines without their time stamps.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& l : log.pending) out.push_back(l.substr(l.find("]  ") + 3));
    return out;
  }
  bool has(const std::string& tail) const {
    for (const auto& l : log.pending)
      if (l.size() >= tail.size() && l.compare(l.size() - tail.size(), tail.size(), tail) == 0)
        return true;
    return false;
  }
  TLog log;
};

struct Rig {
  FakeEntries entries;
  FakeRows rows{entries};
  FakeDisplay display;
  TOperationEngine engine{entries.list, rows, display};
  OperationParameters params;
  Rig() { engine.SetMediumProfile(LinuxMedium()); }
  void go(bool ignoreReadOnly = true) { engine.RunOperation(params, ignoreReadOnly); }
};

}  // namespace

TEST(EngineRun, CopyIntoEmptyDestinationLogsEveryFileAndFinishes) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "aaaa");
  writeFile(tmp / "src/b.ogg", std::string(300000, 'b'));
  Rig r;
  r.entries.add((tmp / "src/a.mp3").string(), 0);
  r.entries.add((tmp / "src/b.ogg").string(), 0);
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
    r.entries.add((tmp / "src/a.mp3").string(), 0);
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
    r.entries.add((tmp / "src/b.mp3").string(), 0);
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
    r.entries.add((tmp / "src/a.mp3").string(), 0);
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
  r.entries.add((tmp / "src/here.mp3").string(), 0);
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
  r.entries.add((tmp / "src/a.mp3").string(), 0);
  r.entries.add((tmp / "src/b.mp3").string(), 0);
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
  r.entries.add((tmp / "music/a.mp3").string(), 0);
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
  m.entries.add((tmp / "music/./a.mp3").string(), 0);
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
  m.entries.add((tmp / "src/a.mp3").string(), 0);
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
  d.entries.add((tmp / "src/b.mp3").string(), 0);
  d.entries.add((tmp / "src/missing.mp3").string(), 0);
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
  d.entries.add((tmp / "src/song.mp3").string(), 0);
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

TEST(EngineRun, AnswerNoAbortsBeforeAnythingIsMoved) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  Rig r;
  r.entries.add((tmp / "src/a.mp3").string(), 0);
  r.params.action = actMove;
  r.params.destination = (tmp / "dst").string();
  r.display.answer = false;
  r.go();
  EXPECT_TRUE(fs::exists(tmp / "src/a.mp3"));
  EXPECT_TRUE(namesIn(tmp / "dst").empty());
  const std::vector<std::string> tail(r.display.log.end() - 3, r.display.log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"", "[T] Операция прервана",
                                            "[T] Операция прервана пользователем"}));
}

TEST(EngineRun, UnusableRootsFailTheRunWithAReport) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "file", "not a folder");
  RecordingBox box;
  MemoryLog plog;
  for (const std::string& dest : {std::string(" / "), (tmp / "file/dst").string()}) {
    Rig r;
    r.entries.add((tmp / "src/a.mp3").string(), 0);
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
  ok.entries.add((tmp / "src/a.mp3").string(), 0);
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
  r.entries.add((tmp / "src/a.mp3").string(), 0);
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
