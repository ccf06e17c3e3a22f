#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "engine_fakes.h"
#include "fs/sys_calls.h"
#include "lang/message_box.h"
#include "operation/operation_engine.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

using Rig = LinuxRig;

// A bind mount for one scope; ok() is false where the machine does not allow it.
class BindMount {
 public:
  BindMount(const fs::path& from, const fs::path& onto) : onto_(onto) {
    ok_ = ::mount(from.c_str(), onto.c_str(), nullptr, MS_BIND, nullptr) == 0;
    if (!ok_) error_ = std::strerror(errno);
  }
  ~BindMount() {
    if (ok_) ::umount2(onto_.c_str(), MNT_DETACH);
  }
  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }

 private:
  fs::path onto_;
  bool ok_ = false;
  std::string error_;
};

}  // namespace

TEST(EngineControl, SkipDuringALargeCopyLeavesNoPartialFile) {
  TempDir tmp;
  writeFile(tmp / "src/big.flac", std::string(48 << 20, 'x'));
  writeFile(tmp / "src/small.mp3", "s");
  writeFile(tmp / "dst/big.flac", "old big");
  Rig r;
  r.tick(tmp / "src/big.flac", tmp / "src/small.mp3");
  r.params.destination = (tmp / "dst").string();
  r.params.ifExistsCopy = existsReplace;
  r.pressDuringCopy(false);
  r.go();
  EXPECT_EQ(r.display.log[4], "[T] Копирование \"" + (tmp / "src/big.flac").string() +
                                  "\"...        - пропущено пользователем");
  EXPECT_EQ(r.display.log[5],
            "[T] Копирование \"" + (tmp / "src/small.mp3").string() + "\"..." + kDone);
  // The file it was to replace is whole, and no temporary file is left.
  EXPECT_EQ(readFile(tmp / "dst/big.flac"), "old big");
  EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"big.flac", "small.mp3"}));
  EXPECT_EQ(r.engine.total(), 1);
  EXPECT_EQ(r.engine.done(), 1);
  EXPECT_EQ(r.display.log.back(), "[T] Операция завершена");
}

TEST(EngineControl, CancelStopsTheRunAndLeavesNothingBehind) {
  TempDir tmp;
  writeFile(tmp / "src/big.flac", std::string(48 << 20, 'x'));
  writeFile(tmp / "src/small.mp3", "s");
  Rig r;
  r.tick(tmp / "src/big.flac", tmp / "src/small.mp3");
  r.params.action = actMove;
  r.params.destination = (tmp / "dst").string();
  r.pressDuringCopy(true);
  // Move within one file system never calls back; make it a copy to watch it cancelled.
  r.params.action = actCopy;
  r.go();
  EXPECT_EQ(r.display.log[4], "[T] Копирование \"" + (tmp / "src/big.flac").string() +
                                  "\"...        - пропущено пользователем");
  // The rest of the list is passed over without a line, and no later stage runs.
  EXPECT_EQ(r.display.log[5], "");
  EXPECT_TRUE(namesIn(tmp / "dst").empty());
  EXPECT_EQ(r.lastLines(3), kCancelledTail);
  // The buttons showed the cancelled state, then idle.
  bool sawCancelled = false;
  for (const RunFlags& f : r.display.controls) sawCancelled |= f.aborted && !f.running;
  EXPECT_TRUE(sawCancelled);
  EXPECT_FALSE(r.display.controls.back().running);
  EXPECT_FALSE(r.display.controls.back().aborted);
}

TEST(EngineControl, AnswerNoTouchesNothing) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "dst/old.mp3", "old");
  // No to the move's confirmation: the source stays and nothing arrives.
  {
    Rig r;
    r.tick(tmp / "src/a.mp3");
    r.params.action = actMove;
    r.params.destination = (tmp / "new").string();
    r.display.answer = false;
    r.go();
    EXPECT_TRUE(fs::exists(tmp / "src/a.mp3"));
    EXPECT_TRUE(namesIn(tmp / "new").empty());
    EXPECT_EQ(r.lastLines(3), kCancelledTail);
  }
  // No to clearing the destination: what it holds stays.
  {
    Rig r;
    r.tick(tmp / "src/a.mp3");
    r.params.destination = (tmp / "dst").string();
    r.params.clearDestination = true;
    r.display.answer = false;
    r.go();
    ASSERT_EQ(r.display.questions.size(), 1u);
    EXPECT_EQ(r.display.questions[0], "Предварительные операции|Удалить все содержимое папки \"" +
                                          (tmp / "dst").string() + "\"?");
    EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"old.mp3"}));
    EXPECT_EQ(r.lastLines(3), kCancelledTail);
  }
}

TEST(EngineControl, CancelInAnEarlyStageEndsTheRun) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  Rig r;
  r.tick(tmp / "src/a.mp3");
  r.params.destination = (tmp / "dst").string();
  r.display.onPump = [&] {
    if (r.display.headers.back() == "Предварительные операции") r.engine.CancelClicked();
  };
  r.go();
  EXPECT_FALSE(fs::exists(tmp / "dst/a.mp3"));
  EXPECT_EQ(r.display.log.back(), "[T] Операция прервана пользователем");
}

TEST(EngineControl, FailedReplaceKeepsTheOldFile) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", std::string(100000, 'n'));
  writeFile(tmp / "dst/a.mp3", "old");
  Rig r;
  r.tick(tmp / "src/a.mp3");
  r.params.destination = (tmp / "dst").string();
  r.params.ifExistsCopy = existsReplace;
  {
    FsCalls failing = RealFsCalls();
    failing.write = [](int, const void*, size_t) -> ssize_t {
      errno = ENOSPC;
      return -1;
    };
    failing.copyFileRange = [](int, off_t*, int, off_t*, size_t) -> ssize_t {
      errno = ENOSPC;
      return -1;
    };
    failing.fallocate = [](int, off_t, off_t) {
      errno = ENOSPC;
      return -1;
    };
    ScopedFsCalls scoped(failing);
    r.go();
  }
  EXPECT_EQ(r.display.log[4], "[T] Копирование \"" + (tmp / "src/a.mp3").string() +
                                  "\"...        - ошибка (нет места на носителе)");
  EXPECT_EQ(readFile(tmp / "dst/a.mp3"), "old");
  EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"a.mp3"}));
  EXPECT_EQ(r.engine.total(), 0);
}

TEST(EngineControl, SkipIsOfferedAgainForTheNextEntry) {
  TempDir tmp;
  writeFile(tmp / "src/one.flac", std::string(16 << 20, '1'));
  writeFile(tmp / "src/two.flac", std::string(16 << 20, '2'));
  writeFile(tmp / "src/small.mp3", "s");
  Rig r;
  r.tick(tmp / "src/one.flac", tmp / "src/two.flac", tmp / "src/small.mp3");
  r.params.destination = (tmp / "dst").string();
  // The user can press Skip only while the dialog shows it enabled.
  r.display.onPump = [&r] {
    if (r.display.bars.empty() || r.display.controls.empty() ||
        r.display.headers.back() != "Копирование")
      return;
    const int file = r.display.bars.back().second;
    const RunFlags& shown = r.display.controls.back();
    if (file > 0 && file < 1000 && shown.running && !shown.skipCurrent) r.engine.SkipClicked();
  };
  r.go();
  const std::string skipped = "\"...        - пропущено пользователем";
  EXPECT_EQ(r.display.log[4], "[T] Копирование \"" + (tmp / "src/one.flac").string() + skipped);
  EXPECT_EQ(r.display.log[5], "[T] Копирование \"" + (tmp / "src/two.flac").string() + skipped);
  EXPECT_EQ(r.display.log[6],
            "[T] Копирование \"" + (tmp / "src/small.mp3").string() + "\"..." + kDone);
  EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"small.mp3"}));
  EXPECT_EQ(r.display.log.back(), "[T] Операция завершена");
}

TEST(EngineControl, SkipDuringTheLastChunkDiscardsTheFile) {
  TempDir tmp;
  writeFile(tmp / "src/big.flac", std::string(6 << 20, 'x'));
  writeFile(tmp / "src/small.mp3", "s");
  Rig r;
  r.tick(tmp / "src/big.flac", tmp / "src/small.mp3");
  r.params.destination = (tmp / "dst").string();
  bool pressed = false;
  r.display.onPump = [&] {
    if (pressed || r.display.bars.empty() || r.display.headers.back() != "Копирование") return;
    const bool copyingBig = !r.display.files.empty() &&
                            r.display.files.back() == (tmp / "dst/big.flac").string() &&
                            r.display.log.back().find("        - ") == std::string::npos;
    if (copyingBig && r.display.bars.back().second == 1000) {
      pressed = true;
      r.engine.SkipClicked();
    }
  };
  r.go();
  ASSERT_TRUE(pressed);
  EXPECT_EQ(resultFor(r.display.log, (tmp / "src/big.flac").string()), "пропущено пользователем");
  EXPECT_EQ(resultFor(r.display.log, (tmp / "src/small.mp3").string()), "завершено");
  EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"small.mp3"}));
}

TEST(EngineSafety, TwoEntriesForOneDestinationNeverOverwriteEachOther) {
  TempDir tmp;
  auto setUp = [&] {
    fs::remove_all(tmp / "dst");
    writeFile(tmp / "one/a.mp3", "first");
    writeFile(tmp / "two/a.mp3", "second");
  };
  auto run = [&](int action, int policy) {
    Rig r;
    r.tick(tmp / "one/a.mp3", tmp / "two/a.mp3");
    r.params.action = action;
    r.params.destination = (tmp / "dst").string();
    r.params.ifExistsCopy = r.params.ifExistsMove = policy;
    r.go();
    return r.display.log;
  };
  setUp();
  auto log = run(actCopy, existsSkip);
  EXPECT_EQ(readFile(tmp / "dst/a.mp3"), "first");
  EXPECT_EQ(log[5],
            "[T] Копирование \"" + (tmp / "two/a.mp3").string() + "\"...        - пропущено");

  setUp();
  run(actCopy, existsRename);
  EXPECT_EQ(readFile(tmp / "dst/a.mp3"), "first");
  EXPECT_EQ(readFile(tmp / "dst/a (1).mp3"), "second");

  // Replace is for files that were there before; a file moved here by this run is kept.
  setUp();
  writeFile(tmp / "dst/a.mp3", "before the run");
  run(actMove, existsReplace);
  EXPECT_EQ(readFile(tmp / "dst/a.mp3"), "first");
  EXPECT_EQ(readFile(tmp / "dst/a (1).mp3"), "second");
  EXPECT_FALSE(fs::exists(tmp / "one/a.mp3"));
  EXPECT_FALSE(fs::exists(tmp / "two/a.mp3"));
}

TEST(EngineSafety, DestinationsOutsideTheRootAreNotUsed) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "src/noext", "n");
  Rig r;
  r.entries.add((tmp / "src/a.mp3").string(), 0, true, "../../escaped");
  r.entries.add((tmp / "src/noext").string(), 0, true, "..");
  r.params.destination = (tmp / "box/dst").string();
  r.params.renameEnabled = true;
  r.params.invalidCharRule = -1;
  r.go();
  EXPECT_EQ(r.entries.at(0).dest, "");
  EXPECT_EQ(r.display.log[5], "[T] Неверные параметры команды        - пропущено");
  EXPECT_EQ(r.display.log[7], "[T] Неверные параметры команды        - пропущено");
  EXPECT_EQ(namesIn(tmp.path()), (std::set<std::string>{"box", "src"}));
  EXPECT_EQ(namesIn(tmp / "box"), (std::set<std::string>{"dst"}));
  EXPECT_TRUE(namesIn(tmp / "box/dst").empty());

  // Layout 1: "." and ".." in the origin are resolved and stay below the root.
  Rig f;
  f.tick(tmp / "src/../src/a.mp3", tmp / "src/./noext");
  f.params.destination = (tmp / "box/dst").string();
  f.params.folderLayout = layoutFullPath;
  f.go();
  const std::string inside = (tmp / "box/dst").string() + tmp.str();
  EXPECT_EQ(f.entries.at(0).dest, inside + "/src/a.mp3");
  EXPECT_EQ(f.entries.at(1).dest, inside + "/src/noext");
  EXPECT_EQ(readFile(inside + "/src/a.mp3"), "a");
  EXPECT_EQ(readFile(inside + "/src/noext"), "n");
  EXPECT_EQ(f.display.log.back(), "[T] Операция завершена");
}

TEST(EngineSafety, ClearDestinationRemovesLinksNotWhatTheyPointTo) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "dst/old.mp3", "old");
  writeFile(tmp / "dst/sub/deeper/x.mp3", "x");
  writeFile(tmp / "dst/sub/ro.mp3", "ro");
  fs::permissions(tmp / "dst/sub/ro.mp3", fs::perms::owner_read);
  writeFile(tmp / "outside/keep.mp3", "keep");
  fs::permissions(tmp / "outside/keep.mp3", fs::perms::owner_read);
  fs::create_directory_symlink(tmp / "outside", tmp / "dst/link-to-folder");
  fs::create_symlink(tmp / "outside/keep.mp3", tmp / "dst/sub/link-to-file");
  Rig r;
  r.tick(tmp / "src/a.mp3");
  r.params.destination = (tmp / "dst").string();
  r.params.clearDestination = true;
  r.go();
  EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"a.mp3"}));
  EXPECT_EQ(readFile(tmp / "outside/keep.mp3"), "keep");
  // The target of a link keeps its read-only attribute: the link was not followed.
  EXPECT_EQ(fs::status(tmp / "outside/keep.mp3").permissions() & fs::perms::owner_write,
            fs::perms::none);
  EXPECT_EQ(r.display.log[2],
            "[T] Удаление содержимого папки \"" + (tmp / "dst").string() + "\"...       завершено");
  EXPECT_EQ(r.display.log.back(), "[T] Операция завершена");
}

TEST(EngineSafety, ClearDestinationRefusesDangerousFolders) {
  TempDir tmp;
  RecordingBox box;
  // A destination that holds a marked source file.
  writeFile(tmp / "music/album/a.mp3", "a");
  writeFile(tmp / "music/other.mp3", "o");
  {
    Rig r;
    r.tick(tmp / "music/album/a.mp3");
    r.params.destination = (tmp / "music").string();
    r.params.clearDestination = true;
    r.go();
    EXPECT_TRUE(r.display.questions.empty());
    EXPECT_EQ(readFile(tmp / "music/album/a.mp3"), "a");
    EXPECT_EQ(readFile(tmp / "music/other.mp3"), "o");
    // A box in the program's language names the folder and the reason; no internal-error
    // box; the run ends as cancelled.
    EXPECT_TRUE(box.boxes.empty());
    ASSERT_EQ(r.display.errors.size(), 1u);
    EXPECT_EQ(r.display.errors[0], "Предварительные операции|Папка \"" + (tmp / "music").string() +
                                       "\" не будет очищена: в ней находится отмеченный "
                                       "исходный файл \"" +
                                       (tmp / "music/album/a.mp3").string() + "\".");
    EXPECT_EQ(r.lastLines(2), (std::vector<std::string>{"[T] Операция прервана",
                                                        "[T] Операция прервана пользователем"}));
  }
  // The home folder, and a folder above it.
  writeFile(tmp / "top/home/u/keep.txt", "k");
  {
    ScopedEnv home("HOME", (tmp / "top/home/u").string());
    for (const fs::path& dest : {tmp / "top/home/u", tmp / "top/home", tmp / "top"}) {
      Rig r;
      r.tick(tmp / "music/other.mp3");
      r.params.destination = dest.string() + "/";
      r.params.clearDestination = true;
      r.go();
      EXPECT_TRUE(r.display.questions.empty()) << dest;
      ASSERT_EQ(r.display.errors.size(), 1u) << dest;
      EXPECT_EQ(r.display.errors[0],
                "Предварительные операции|Папка \"" + dest.string() +
                    "\" не будет очищена: это домашняя папка или папка, в которой она находится.");
      EXPECT_EQ(r.display.log.back(), "[T] Операция прервана пользователем");
    }
    EXPECT_EQ(readFile(tmp / "top/home/u/keep.txt"), "k");
  }
  EXPECT_TRUE(box.boxes.empty());

  // Asked directly: the file-system root however spelt; and a source is seen as it really
  // lies, so a link from elsewhere to a file inside counts as inside.
  writeFile(tmp / "dst/real.mp3", "the only copy");
  fs::create_directories(tmp / "list");
  fs::create_symlink(tmp / "dst/real.mp3", tmp / "list/link.mp3");
  EngineRig bare;
  bare.tick(tmp / "list/link.mp3");
  EXPECT_EQ(bare.engine.ClearRefusal("/"),
            "Папка \"/\" не будет очищена: это корневая папка файловой системы.");
  EXPECT_FALSE(bare.engine.ClearRefusal("/.").empty());
  EXPECT_FALSE(bare.engine.ClearRefusal("/tmp/..").empty());
  EXPECT_TRUE(bare.engine.ClearRefusal((tmp / "music/album").string()).empty());
  EXPECT_NE(bare.engine.ClearRefusal((tmp / "dst").string()).find("отмеченный исходный файл"),
            std::string::npos);
  EXPECT_TRUE(bare.engine.ClearRefusal((tmp / "other").string()).empty());
}

TEST(EngineSafety, ClearingNeverEntersAnotherMountAndSeesSourcesThroughOne) {
  TempDir tmp;
  writeFile(tmp / "music/song.mp3", "song");
  writeFile(tmp / "elsewhere/keep.mp3", "keep");
  writeFile(tmp / "src/new.mp3", "new");
  writeFile(tmp / "dst/old.mp3", "old");
  fs::create_directories(tmp / "dst/m");
  fs::create_directories(tmp / "dst/sub/e");
  BindMount music(tmp / "music", tmp / "dst/m");
  if (!music.ok()) GTEST_SKIP() << "bind mounts are not allowed here: " << music.error();
  BindMount other(tmp / "elsewhere", tmp / "dst/sub/e");
  ASSERT_TRUE(other.ok()) << other.error();
  {
    // The marked source lies in the bind-mounted folder: clearing is refused.
    Rig r;
    r.tick(tmp / "music/song.mp3");
    r.params.destination = (tmp / "dst").string();
    r.params.clearDestination = true;
    r.go();
    EXPECT_TRUE(r.display.questions.empty());
    ASSERT_EQ(r.display.errors.size(), 1u);
    EXPECT_NE(r.display.errors[0].find("отмеченный исходный файл"), std::string::npos);
    EXPECT_EQ(readFile(tmp / "music/song.mp3"), "song");
    EXPECT_EQ(readFile(tmp / "dst/old.mp3"), "old");
  }
  {
    // Sources elsewhere: both mount points and what lies below them stay.
    Rig r;
    r.tick(tmp / "src/new.mp3");
    r.params.destination = (tmp / "dst").string();
    r.params.clearDestination = true;
    r.go();
    EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"m", "new.mp3", "sub"}));
    EXPECT_EQ(namesIn(tmp / "dst/sub"), (std::set<std::string>{"e"}));
    EXPECT_EQ(readFile(tmp / "music/song.mp3"), "song");
    EXPECT_EQ(readFile(tmp / "elsewhere/keep.mp3"), "keep");
    for (const char* point : {"dst/m", "dst/sub/e"})
      EXPECT_TRUE(logHas(r.display.log, "[T] Папка \"" + (tmp / point).string() +
                                            "\" - точка монтирования другой файловой системы, "
                                            "она и ее содержимое не удаляются"))
          << point;
    EXPECT_EQ(r.display.log.back(), "[T] Операция завершена");
  }
}

TEST(EngineSafety, NothingIsWrittenOutsideTheRootThroughALinkInsideIt) {
  TempDir tmp;
  writeFile(tmp / "src/Artist/Album/a.mp3", "new a");
  writeFile(tmp / "outside/a.mp3", "outside a");
  fs::create_directories(tmp / "outside2");
  fs::create_directories(tmp / "dst");
  fs::create_directory_symlink(tmp / "outside", tmp / "dst/Album");
  const std::string origin = (tmp / "src/Artist/Album/a.mp3").string();
  const std::string refused =
      "пропущено (путь ведет за пределы папки назначения по символической ссылке)";
  for (int policy : {existsReplace, existsRename}) {
    Rig r;
    r.entries.add(origin, 0);
    r.params.destination = (tmp / "dst").string();
    r.params.folderLayout = layoutNearestFolder;
    r.params.ifExistsCopy = policy;
    r.go();
    EXPECT_EQ(resultFor(r.display.log, origin), refused) << policy;
    EXPECT_EQ(namesIn(tmp / "outside"), (std::set<std::string>{"a.mp3"})) << policy;
    EXPECT_EQ(readFile(tmp / "outside/a.mp3"), "outside a");
  }
  // A link higher up: the layout's folder below it is not created out there either.
  fs::create_directory_symlink(tmp / "outside2", tmp / "dst/Artist");
  Rig r;
  r.entries.add(origin, 0);
  r.params.destination = (tmp / "dst").string();
  r.params.folderLayout = layoutLevels;
  r.params.folderLevels = "2";
  r.params.action = actMove;
  r.go();
  EXPECT_TRUE(namesIn(tmp / "outside2").empty());
  EXPECT_TRUE(logHas(r.display.log, "[T] Папка \"" + (tmp / "dst/Artist/Album").string() +
                                        "\" не создана: путь ведет за пределы папки назначения "
                                        "по символической ссылке"));
  EXPECT_EQ(resultFor(r.display.log, origin), refused);
  EXPECT_EQ(readFile(origin), "new a");
  // The root itself may be a link: that is where the user sends the files.
  fs::create_directory_symlink(tmp / "outside2", tmp / "linked-root");
  Rig l;
  l.entries.add(origin, 0);
  l.params.destination = (tmp / "linked-root").string();
  l.go();
  EXPECT_EQ(readFile(tmp / "outside2/a.mp3"), "new a");
}

TEST(EngineSafety, DeletingALinkActsOnTheLinkOnly) {
  TempDir tmp;
  writeFile(tmp / "target/ro.mp3", "ro");
  fs::permissions(tmp / "target/ro.mp3", fs::perms::owner_read);
  fs::create_directories(tmp / "list");
  fs::create_symlink(tmp / "target/ro.mp3", tmp / "list/one.mp3");
  fs::create_symlink(tmp / "target/ro.mp3", tmp / "list/two.mp3");
  auto targetWritable = [&] {
    return (fs::status(tmp / "target/ro.mp3").permissions() & fs::perms::owner_write) !=
           fs::perms::none;
  };
  Rig r;
  r.tick(tmp / "list/one.mp3");
  r.params.action = actDelete;
  r.params.deleteToRecycleBin = false;
  r.go();
  EXPECT_FALSE(fs::exists(fs::symlink_status(tmp / "list/one.mp3")));
  EXPECT_FALSE(targetWritable());
  EXPECT_EQ(readFile(tmp / "target/ro.mp3"), "ro");
  // A delete that fails leaves the target as it was too.
  Rig f;
  f.tick(tmp / "list/two.mp3");
  f.params.action = actDelete;
  f.params.deleteToRecycleBin = false;
  FsCalls failing = RealFsCalls();
  failing.unlink = [](const char*) {
    errno = EACCES;
    return -1;
  };
  {
    ScopedFsCalls scoped(failing);
    f.go();
  }
  EXPECT_TRUE(fs::is_symlink(tmp / "list/two.mp3"));
  EXPECT_FALSE(targetWritable());
  EXPECT_EQ(resultFor(f.display.log, (tmp / "list/two.mp3").string()), "ошибка (доступ запрещен)");
}

TEST(EngineSafety, EntriesThatAreNotRegularFilesAreSkippedByEveryAction) {
  TempDir tmp;
  ScopedEnv home("HOME", (tmp / "home").string());
  ScopedEnv data("XDG_DATA_HOME", std::nullopt);
  fs::create_directories(tmp / "home");
  writeFile(tmp / "src/folder/inner.mp3", "inner");
  ASSERT_EQ(::mkfifo((tmp / "src/pipe.mp3").c_str(), 0600), 0);
  const std::string folder = (tmp / "src/folder").string();
  const std::string pipe = (tmp / "src/pipe.mp3").string();
  const std::string skipped = "пропущено (не является файлом)";
  struct Case {
    int action;
    bool trash;
  };
  for (const Case c : {Case{actCopy, false}, Case{actMove, false}, Case{actDelete, true},
                       Case{actDelete, false}}) {
    writeFile(tmp / "src/song.mp3", "song");
    Rig r;
    r.entries.add(folder, 0);
    r.entries.add(pipe, 0);
    r.tick(tmp / "src/song.mp3");
    r.params.action = c.action;
    r.params.deleteToRecycleBin = c.trash;
    r.params.destination = (tmp / "dst").string();
    r.params.folderLayout = layoutFullPath;
    r.go();
    const std::string which = std::to_string(c.action) + (c.trash ? " trash" : "");
    EXPECT_EQ(resultFor(r.display.log, folder), skipped) << which;
    EXPECT_EQ(resultFor(r.display.log, pipe), skipped) << which;
    EXPECT_EQ(resultFor(r.display.log, (tmp / "src/song.mp3").string()), "завершено") << which;
    EXPECT_EQ(readFile(tmp / "src/folder/inner.mp3"), "inner") << which;
    EXPECT_TRUE(fs::is_fifo(pipe)) << which;
    EXPECT_EQ(r.engine.done(), c.action == actDelete ? 1 : 4) << which;
    EXPECT_FALSE(fs::exists(tmp / "dst" / tmp.str().substr(1) / "src/folder")) << which;
  }
  EXPECT_EQ(namesIn(tmp / "home/.local/share/Trash/files"), (std::set<std::string>{"song.mp3"}));
}

TEST(EngineSafety, NulBytesNeverReachTheFileSystem) {
  TempDir tmp;
  writeFile(tmp / "src/victim", "victim");
  writeFile(tmp / "src/a.mp3", "a");
  writeFile(tmp / "src/b.mp3", "b");
  const std::string nul(1, '\0');
  Rig d;
  d.entries.add((tmp / "src/victim").string() + nul + ".mp3", 0);
  d.params.action = actDelete;
  d.params.deleteToRecycleBin = false;
  d.go();
  EXPECT_EQ(readFile(tmp / "src/victim"), "victim");
  // Titles holding a NUL, renaming by description, move and replace: neither file takes
  // the other's place.
  Rig m;
  m.entries.add((tmp / "src/a.mp3").string(), 0, true, "x" + nul + "a");
  m.entries.add((tmp / "src/b.mp3").string(), 0, true, "x" + nul + "b");
  m.params.action = actMove;
  m.params.ifExistsMove = existsReplace;
  m.params.destination = (tmp / "dst").string();
  m.params.renameEnabled = true;
  m.params.renameByDescription = true;
  m.go();
  EXPECT_EQ(readFile(tmp / "src/a.mp3"), "a");
  EXPECT_EQ(readFile(tmp / "src/b.mp3"), "b");
  EXPECT_TRUE(namesIn(tmp / "dst").empty());
  EXPECT_EQ(m.entries.at(0).dest, "");
}
