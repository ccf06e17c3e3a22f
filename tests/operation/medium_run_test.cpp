// Runs onto real FAT32 and exFAT file systems (loop images mounted through FUSE) and onto
// the machine's own Linux file system, with the awkward names of a real music folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "engine_fakes.h"
#include "fs/sys_calls.h"
#include "lang/lang.h"
#include "loop_medium.h"
#include "operation/dest_path.h"
#include "test_support.h"
#include "worklist/text_encoding.h"

namespace fs = std::filesystem;

namespace {

using Rig = EngineRig;

// The names of the source folder below src/, each file with content of its own. The FUSE
// FAT driver refuses every name that is not ASCII, so the rest go to exFAT only.
std::vector<std::string> asciiNames() {
  return {"Song.mp3",         "song.mp3",       "LOUD.MP3",        "a:b.mp3",
          "q?.mp3",           "say \"hi\".mp3", "back\\slash.mp3", "slash.mp3",
          "ends in dot.",     "ends in space ", "CON.mp3",         "What?/x.mp3",
          "Live: 1999/y.mp3", "Album. /z.mp3",  "Pipe|Dir/<w>.mp3"};
}
std::vector<std::string> otherNames() {
  std::string longName;
  for (int i = 0; i < 125; ++i) longName += "ж";  // 250 bytes
  return {longName + ".mp3", "\xcf\xe5\xf1\xed\xff.mp3" /* Windows-1251 */, "Кино/Группа.mp3"};
}

bool acceptedOnWindowsMedium(const std::string& name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  if (!IsValidUtf8(name) || Utf16Units(name) > 255 || IsReservedDeviceName(name)) return false;
  for (unsigned char c : name)
    if (c < 0x20 || IsInvalidNameChar(static_cast<char>(c))) return false;
  return true;
}

// Content -> path below root of every file there.
std::map<std::string, std::string> contentsBelow(const fs::path& root) {
  std::map<std::string, std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) out[readFile(e.path())] = fs::relative(e.path(), root).string();
  return out;
}

// Makes the source folder; returns the contents that should arrive.
std::set<std::string> makeSource(const fs::path& src, const std::vector<std::string>& names,
                                 Rig& r) {
  std::set<std::string> contents;
  int i = 0;
  for (const std::string& name : names) {
    const std::string content = "content " + std::to_string(i++) + " of " + name;
    writeFile(src / name, content);
    contents.insert(content);
    r.entries.add((src / name).string(), 0);
  }
  return contents;
}

void copyThenMoveInEveryLayout(LoopMedium::Kind kind) {
  LoopMedium medium(kind, 64);
  if (!medium.missing().empty()) GTEST_SKIP() << "no real medium: " << medium.missing();
  const bool fat = kind == LoopMedium::Fat32;
  std::vector<std::string> names = asciiNames();
  if (!fat)
    for (const std::string& n : otherNames()) names.push_back(n);

  for (int layout = 0; layout <= 3; ++layout) {
    for (int action : {actCopy, actMove}) {
      SCOPED_TRACE("layout " + std::to_string(layout) + (action == actCopy ? " copy" : " move"));
      TempDir tmp;
      Rig r;
      const std::set<std::string> expected = makeSource(tmp / "src", names, r);
      // A 5 GB file that FAT32 cannot hold (sparse: it takes no room here).
      if (fat) {
        { std::ofstream big(tmp / "src/big.flac"); }
        fs::resize_file(tmp / "src/big.flac", 5LL * 1000 * 1000 * 1000);
        r.entries.add((tmp / "src/big.flac").string(), 0);
      }
      const fs::path root =
          medium.path("L" + std::to_string(layout) + (action == actCopy ? "c" : "m"));
      r.params.action = action;
      r.params.destination = root.string();
      r.params.folderLayout = layout;
      r.params.folderLevels = "2";
      r.params.ifExistsCopy = existsReplace;  // the harshest policy: nothing may be lost
      r.params.ifExistsMove = existsReplace;
      r.go();

      EXPECT_TRUE(r.engine.medium().windowsNames);
      EXPECT_TRUE(r.engine.medium().ignoresCase);
      // Every file arrived, none replaced another, and every name is one the medium takes.
      const std::map<std::string, std::string> arrived = contentsBelow(root);
      std::set<std::string> arrivedContents;
      for (const auto& [content, path] : arrived) {
        arrivedContents.insert(content);
        for (const auto& part : fs::path(path))
          EXPECT_TRUE(acceptedOnWindowsMedium(part.string())) << path;
      }
      EXPECT_EQ(arrivedContents, expected);
      if (action == actMove) {
        for (const std::string& n : names) EXPECT_FALSE(fs::exists(tmp / "src" / n)) << n;
      }

      ASSERT_EQ(r.display.questions.size(), action == actMove || fat ? 1u : 0u);
      if (fat) {
        EXPECT_NE(r.display.questions[0].find(" • Файлов, слишком больших для этого носителя: 1"),
                  std::string::npos);
        // Never started, and still at its place after a move.
        EXPECT_FALSE(fs::exists(root / "big.flac"));
        EXPECT_TRUE(fs::exists(tmp / "src/big.flac"));
        const std::string bigLine = "[T] " +
                                    LangFormat(330 + action, {(tmp / "src/big.flac").string()}) +
                                    "        - пропущено (файл слишком велик для этого носителя)";
        EXPECT_NE(std::find(r.display.log.begin(), r.display.log.end(), bigLine),
                  r.display.log.end());
        EXPECT_EQ(r.display.log.back(), "[T] Операция завершена с ошибками: 1");
        EXPECT_EQ(r.display.logOpened, 1);
      } else {
        EXPECT_EQ(r.display.log.back(), "[T] Операция завершена");
        EXPECT_EQ(r.display.logOpened, 0);
      }
    }
  }
}

}  // namespace

TEST(RealMedium, CopyThenMoveOntoFat32InEveryLayout) {
  copyThenMoveInEveryLayout(LoopMedium::Fat32);
}

TEST(RealMedium, CopyThenMoveOntoExFatInEveryLayout) {
  copyThenMoveInEveryLayout(LoopMedium::ExFat);
}

TEST(RealMedium, LinuxFileSystemKeepsEveryName) {
  TempDir tmp;
  Rig r;
  const std::vector<std::string> names = {"a:b.mp3", "back\\slash.mp3",  "slash.mp3",
                                          "q?.mp3",  "Live: 1999/y.mp3", "trail. "};
  makeSource(tmp / "src", names, r);
  r.params.destination = (tmp / "dst").string();
  r.params.folderLayout = layoutNearestFolder;
  r.go();
  ASSERT_FALSE(r.engine.medium().windowsNames) << r.engine.medium().fsType;
  EXPECT_EQ(readFile(tmp / "dst/src/a:b.mp3"), "content 0 of a:b.mp3");
  EXPECT_EQ(readFile(tmp / "dst/src/back\\slash.mp3"), "content 1 of back\\slash.mp3");
  EXPECT_EQ(readFile(tmp / "dst/src/slash.mp3"), "content 2 of slash.mp3");
  EXPECT_EQ(readFile(tmp / "dst/src/q?.mp3"), "content 3 of q?.mp3");
  EXPECT_EQ(readFile(tmp / "dst/Live: 1999/y.mp3"), "content 4 of Live: 1999/y.mp3");
  EXPECT_EQ(readFile(tmp / "dst/src/trail. "), "content 5 of trail. ");
  EXPECT_EQ(r.display.log.back(), "[T] Операция завершена");
}

TEST(RealMedium, FullStickSkipsLargerFilesUntriedAndStillFillsUp) {
  LoopMedium medium(LoopMedium::ExFat, 8);
  if (!medium.missing().empty()) GTEST_SKIP() << "no real medium: " << medium.missing();
  TempDir tmp;
  Rig r;
  const std::int64_t mb = 1000 * 1000;
  writeFile(tmp / "src/1.mp3", std::string(5 * mb, '1'));
  writeFile(tmp / "src/2.mp3", std::string(5 * mb, '2'));  // does not fit any more
  writeFile(tmp / "src/3.mp3", std::string(mb, '3'));      // still fits
  writeFile(tmp / "src/4.mp3", std::string(4 * mb, '4'));  // larger than what is left
  for (const char* n : {"1.mp3", "2.mp3", "3.mp3", "4.mp3"})
    r.entries.add((tmp / "src" / n).string(), 0);
  r.params.destination = medium.path("music");
  // Opens of the file that no longer fits: it must not even be started.
  int tried4 = 0;
  FsCalls calls = RealFsCalls();
  calls.open = [&tried4, real = calls.open](const char* path, int flags, mode_t mode) {
    if (std::string(path).find("src/4.mp3") != std::string::npos) ++tried4;
    return real(path, flags, mode);
  };
  ScopedFsCalls scoped(calls);
  r.go();
  const std::string prefix = "[T] Копирование \"" + (tmp / "src").string() + "/";
  EXPECT_EQ(r.display.log[4], prefix + "1.mp3\"..." + kDone);
  EXPECT_EQ(r.display.log[5], prefix + "2.mp3\"...        - ошибка (нет места на носителе)");
  EXPECT_EQ(r.display.log[6], prefix + "3.mp3\"..." + kDone);
  EXPECT_EQ(r.display.log[7], prefix + "4.mp3\"...        - пропущено (нет места на носителе)");
  EXPECT_EQ(tried4, 0);
  EXPECT_EQ(r.display.log.back(), "[T] Операция завершена с ошибками: 2");
  EXPECT_EQ(namesIn(medium.path("music")), (std::set<std::string>{"1.mp3", "3.mp3"}));
}

TEST(RealMedium, StickPulledStopsTheRunAndNothingLandsInTheBareFolder) {
  LoopMedium medium(LoopMedium::ExFat, 16);
  if (!medium.missing().empty()) GTEST_SKIP() << "no real medium: " << medium.missing();
  TempDir tmp;
  Rig r;
  makeSource(tmp / "src", {"a.mp3", "b.mp3", "c.mp3"}, r);
  r.params.destination = medium.mountPoint();
  // The stick goes once the first file is done.
  r.display.onPump = [&] {
    if (r.display.log.size() > 4 && r.display.log[4].find(" - завершено") != std::string::npos)
      medium.unmount();
  };
  r.go();
  EXPECT_FALSE(medium.mounted());
  EXPECT_TRUE(fs::is_empty(medium.mountPoint()));
  EXPECT_EQ(r.display.log.size(), 8u);
  EXPECT_EQ(r.display.log[5], "");
  EXPECT_EQ(r.display.log[6], "[T] Операция прервана");
  EXPECT_EQ(r.display.log[7], "[T] Операция прервана: устройство назначения отключено");
  EXPECT_EQ(r.display.logOpened, 1);
}
