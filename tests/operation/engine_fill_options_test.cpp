// The options for filling a player again and again: "copy only what changed" (skip a file
// the destination already holds unchanged) and verified copies, on this machine's file
// system and on real FAT32 and exFAT media.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <set>

#include "engine_fakes.h"
#include "fs/sys_calls.h"
#include "lang/lang.h"
#include "loop_medium.h"
#include "operation/operation_engine.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const std::string kUnchanged = "        - пропущено (не изменился)";
const std::string kMismatch = "        - ошибка (копия не совпадает)";

void setMtime(const fs::path& p, time_t seconds, long nanos = 0) {
  const struct timespec times[2] = {{seconds, nanos}, {seconds, nanos}};
  ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0) << p;
}

ino_t inodeOf(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st.st_ino;
}

std::string copyLine(const fs::path& origin, const std::string& result) {
  return "[T] Копирование \"" + origin.string() + "\"..." + result;
}

bool logHas(const FakeDisplay& d, const std::string& line) {
  return std::find(d.log.begin(), d.log.end(), line) != d.log.end();
}

// Copies the named files of src into dest with "skip identical" (verifying the copies onto
// a real medium); answers the names that were copied and those passed over as unchanged,
// and checks that no other result came.
struct SkipSameRun {
  std::set<std::string> copied, unchanged;
};
SkipSameRun copySkippingSame(const fs::path& src, const std::vector<std::string>& names,
                             const fs::path& dest, bool imposeLinux) {
  EngineRig r;
  if (imposeLinux) r.engine.SetMediumProfile(LinuxMedium());
  for (const std::string& n : names) r.entries.add((src / n).string(), 0);
  r.params.destination = dest.string();
  r.params.ifExistsCopy = existsSkipSame;
  r.params.verifyCopies = !imposeLinux;
  r.go();
  SkipSameRun out;
  for (const std::string& n : names) {
    if (logHas(r.display, copyLine(src / n, kDone)))
      out.copied.insert(n);
    else if (logHas(r.display, copyLine(src / n, kUnchanged)))
      out.unchanged.insert(n);
    else
      ADD_FAILURE() << n << " was neither copied nor passed over as unchanged";
  }
  EXPECT_EQ(r.display.log.back(), "[T] Операция завершена");
  EXPECT_EQ(r.engine.failures(), 0);
  return out;
}

void secondRunCopiesOnlyWhatChanged(LoopMedium::Kind kind) {
  LoopMedium medium(kind, 32);
  if (!medium.missing().empty()) GTEST_SKIP() << "no real medium: " << medium.missing();
  TempDir tmp;
  const std::vector<std::string> names = {"01 One.mp3", "02 Two.mp3", "03 Three.flac",
                                          "04 Four.ogg"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    writeFile(tmp / "src" / names[i], std::string(1000 + 37 * i, char('a' + i)));
    // Odd seconds and a fraction: FAT keeps even seconds only, exFAT hundredths.
    setMtime(tmp / "src" / names[i], 1600000001 + 100 * time_t(i), 730000000);
  }
  const fs::path dest = medium.path("Music");

  SkipSameRun first = copySkippingSame(tmp / "src", names, dest, false);
  EXPECT_EQ(first.copied.size(), names.size());
  for (const std::string& n : names) EXPECT_EQ(readFile(dest / n), readFile(tmp / "src" / n));

  SkipSameRun second = copySkippingSame(tmp / "src", names, dest, false);
  EXPECT_TRUE(second.copied.empty());
  EXPECT_EQ(second.unchanged.size(), names.size());

  // A tag edited in place keeps the size but not the time: that file alone goes again.
  writeFile(tmp / "src" / names[2], std::string(1000 + 37 * 2, 'Z'));
  SkipSameRun third = copySkippingSame(tmp / "src", names, dest, false);
  EXPECT_EQ(third.copied, (std::set<std::string>{names[2]}));
  EXPECT_EQ(readFile(dest / names[2]), std::string(1000 + 37 * 2, 'Z'));
  // Replaced in place, not kept beside under a numbered name.
  EXPECT_EQ(namesIn(dest), std::set<std::string>(names.begin(), names.end()));
}

}  // namespace

TEST(SkipSame, OnlyAFileOfTheSameSizeAndTimeWithinTwoSecondsIsPassedOver) {
  TempDir tmp;
  const time_t t0 = 1700000000;
  struct Case {
    std::string name;
    std::size_t destSize;
    time_t destSeconds;
    long destNanos;
    bool skipped;
  };
  const std::vector<Case> cases = {
      {"same.mp3", 100, t0, 400000000, true},
      {"two seconds later.mp3", 100, t0 + 2, 400000000, true},
      {"two seconds earlier.mp3", 100, t0 - 2, 400000000, true},
      {"just over.mp3", 100, t0 + 2, 400000001, false},
      {"older.mp3", 100, t0 - 3, 0, false},
      {"other size.mp3", 99, t0, 400000000, false},
  };
  std::vector<std::string> names;
  for (const Case& c : cases) {
    writeFile(tmp / "src" / c.name, std::string(100, 'n'));
    setMtime(tmp / "src" / c.name, t0, 400000000);
    writeFile(tmp / "dst" / c.name, std::string(c.destSize, 'o'));
    setMtime(tmp / "dst" / c.name, c.destSeconds, c.destNanos);
    names.push_back(c.name);
  }
  writeFile(tmp / "src/new.mp3", "new");
  names.push_back("new.mp3");
  // A folder standing where the file would go is not "the same file".
  writeFile(tmp / "src/folder.mp3", std::string(100, 'n'));
  fs::create_directories(tmp / "dst/folder.mp3");
  // A hard link to the source is the source itself, no copy of it.
  writeFile(tmp / "src/linked.mp3", "linked");
  fs::create_hard_link(tmp / "src/linked.mp3", tmp / "dst/linked.mp3");
  std::map<std::string, ino_t> before;
  for (const Case& c : cases) before[c.name] = inodeOf(tmp / "dst" / c.name);

  EngineRig r;
  r.engine.SetMediumProfile(LinuxMedium());
  for (const std::string& n : names) r.entries.add((tmp / "src" / n).string(), 0);
  r.entries.add((tmp / "src/folder.mp3").string(), 0);
  r.entries.add((tmp / "src/linked.mp3").string(), 0);
  r.params.destination = (tmp / "dst").string();
  r.params.ifExistsCopy = existsSkipSame;
  r.go();

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.skipped) {
      EXPECT_TRUE(logHas(r.display, copyLine(tmp / "src" / c.name, kUnchanged)));
      EXPECT_EQ(inodeOf(tmp / "dst" / c.name), before[c.name]);  // not even rewritten
      EXPECT_EQ(readFile(tmp / "dst" / c.name), std::string(c.destSize, 'o'));
    } else {
      // Replaced in place as "replace" does, carrying the source's time.
      EXPECT_TRUE(logHas(r.display, copyLine(tmp / "src" / c.name, kDone)));
      EXPECT_EQ(readFile(tmp / "dst" / c.name), std::string(100, 'n'));
    }
  }
  EXPECT_EQ(readFile(tmp / "dst/new.mp3"), "new");
  EXPECT_TRUE(fs::is_directory(tmp / "dst/folder.mp3"));
  EXPECT_FALSE(logHas(r.display, copyLine(tmp / "src/folder.mp3", kUnchanged)));
  EXPECT_FALSE(logHas(r.display, copyLine(tmp / "src/linked.mp3", kUnchanged)));
  EXPECT_TRUE(logHas(r.display, "[T] Неверные параметры команды        - пропущено"));
  EXPECT_EQ(readFile(tmp / "src/linked.mp3"), "linked");
  // Only the folder in the way and the linked source failed; nothing was numbered.
  EXPECT_EQ(r.engine.failures(), 2);
  for (const std::string& n : namesIn(tmp / "dst")) EXPECT_EQ(n.find(" (1)"), std::string::npos);
  // The unchanged files' bytes left the run's work: the bar ends full.
  EXPECT_EQ(r.engine.done(), r.engine.total());

  // The same choice for a move: an unchanged destination leaves the source where it is.
  EngineRig m;
  m.engine.SetMediumProfile(LinuxMedium());
  m.entries.add((tmp / "src/same.mp3").string(), 0);
  m.params.action = actMove;
  m.params.destination = (tmp / "dst").string();
  m.params.ifExistsMove = existsSkipSame;
  m.go();
  EXPECT_TRUE(logHas(
      m.display, "[T] Перемещение \"" + (tmp / "src/same.mp3").string() + "\"..." + kUnchanged));
  EXPECT_TRUE(fs::exists(tmp / "src/same.mp3"));
  EXPECT_EQ(m.entries.at(0).flags & FLAG_GONE, 0);
}

TEST(SkipSame, SecondRunOnTheLocalFileSystemCopiesOnlyWhatChanged) {
  TempDir tmp;
  const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3"};
  for (const std::string& n : names) writeFile(tmp / "src" / n, "song " + n);
  EXPECT_EQ(copySkippingSame(tmp / "src", names, tmp / "dst", true).copied.size(), 3u);
  EXPECT_EQ(copySkippingSame(tmp / "src", names, tmp / "dst", true).unchanged.size(), 3u);
  setMtime(tmp / "src/b.mp3", 2000000000);

  // The preview says beforehand which ones the run will pass over.
  EngineRig p;
  p.engine.SetMediumProfile(LinuxMedium());
  for (const std::string& n : names) p.entries.add((tmp / "src" / n).string(), 0);
  p.params.destination = (tmp / "dst").string();
  p.params.ifExistsCopy = existsSkipSame;
  const std::vector<PreviewEntry> preview = p.engine.RunPreview(p.params);
  ASSERT_EQ(preview.size(), 3u);
  EXPECT_EQ(preview[0].mark, PreviewMark::Skipped);
  EXPECT_NE(preview[0].reason.find("не изменился"), std::string::npos);
  EXPECT_EQ(preview[1].mark, PreviewMark::None);  // replaced in place
  EXPECT_EQ(preview[2].mark, PreviewMark::Skipped);

  EXPECT_EQ(copySkippingSame(tmp / "src", names, tmp / "dst", true).copied,
            (std::set<std::string>{"b.mp3"}));
}

TEST(RealMedium, SkipSameOnFat32CopiesOnlyWhatChanged) {
  secondRunCopiesOnlyWhatChanged(LoopMedium::Fat32);
}

TEST(RealMedium, SkipSameOnExFatCopiesOnlyWhatChanged) {
  secondRunCopiesOnlyWhatChanged(LoopMedium::ExFat);
}

TEST(VerifyCopies, ACopyCorruptedOnItsWayIsCaughtRemovedAndCounted) {
  TempDir tmp;
  writeFile(tmp / "src/bad.mp3", std::string(6 << 20, 'x'));
  writeFile(tmp / "src/good.mp3", std::string(300000, 'g'));
  writeFile(tmp / "dst/bad.mp3", "the copy from last week");

  // Every write into the temporary copy of bad.mp3 lands with one byte flipped.
  FsCalls calls = RealFsCalls();
  const FsCalls real = RealFsCalls();
  auto badFds = std::make_shared<std::set<int>>();
  calls.open = [=](const char* path, int flags, mode_t mode) {
    const int fd = real.open(path, flags, mode);
    if (std::string(path).find("/.bad.mp3") != std::string::npos && (flags & O_ACCMODE) == O_WRONLY)
      badFds->insert(fd);
    return fd;
  };
  calls.close = [=](int fd) {
    badFds->erase(fd);
    return real.close(fd);
  };
  calls.write = [=](int fd, const void* buf, size_t n) -> ssize_t {
    if (!badFds->count(fd) || n == 0) return real.write(fd, buf, n);
    std::string bytes(static_cast<const char*>(buf), n);
    bytes[0] = static_cast<char>(bytes[0] ^ 1);
    return real.write(fd, bytes.data(), n);
  };
  ScopedFsCalls seam(calls);

  {
    EngineRig r;
    r.engine.SetMediumProfile(LinuxMedium());
    double clock = 0;
    r.engine.SetClock([&clock] { return clock += 1.0 / 86400; });
    r.entries.add((tmp / "src/bad.mp3").string(), 0);
    r.entries.add((tmp / "src/good.mp3").string(), 0);
    r.params.destination = (tmp / "dst").string();
    r.params.ifExistsCopy = existsReplace;
    r.params.verifyCopies = true;
    r.go();
    EXPECT_TRUE(logHas(r.display, copyLine(tmp / "src/bad.mp3", kMismatch)));
    EXPECT_TRUE(logHas(r.display, copyLine(tmp / "src/good.mp3", kDone)));
    // The bad copy is gone and the file it was to replace is still there.
    EXPECT_EQ(readFile(tmp / "dst/bad.mp3"), "the copy from last week");
    EXPECT_EQ(namesIn(tmp / "dst"), (std::set<std::string>{"bad.mp3", "good.mp3"}));
    EXPECT_EQ(r.engine.failures(), 1);
    EXPECT_EQ(r.display.log.back(), "[T] Операция завершена с ошибками: 1");

    // The file's bar runs through the copy and the read-back: at the end of the copy of
    // the 6 MB file it stands at half, and no bar ever passes its end.
    bool half = false;
    for (const auto& [overall, file] : r.display.bars) {
      EXPECT_LE(overall, 1000);
      EXPECT_LE(file, 1000);
      if (file == 500) half = true;
    }
    EXPECT_TRUE(half);
  }

  // A move across file systems keeps its source when the copy differs.
  {
    const std::string src = (tmp / "src/bad.mp3").string();
    FsCalls moving = ActiveFsCalls();
    moving.rename = [=](const char* from, const char* to, bool noReplace) {
      if (src == from) return errno = EXDEV, -1;
      return real.rename(from, to, noReplace);
    };
    ScopedFsCalls exdev(moving);
    EngineRig m;
    m.engine.SetMediumProfile(LinuxMedium());
    m.entries.add(src, 0);
    m.params.action = actMove;
    m.params.destination = (tmp / "moved").string();
    m.params.verifyCopies = true;
    m.go();
    EXPECT_TRUE(logHas(m.display, "[T] Перемещение \"" + src + "\"..." + kMismatch));
    EXPECT_EQ(readFile(src), std::string(6 << 20, 'x'));
    EXPECT_EQ(m.entries.at(0).flags & FLAG_GONE, 0);
    EXPECT_TRUE(namesIn(tmp / "moved").empty());
  }
}

TEST(VerifyCopies, TheChoicesAreValidParameters) {
  OperationParameters p;
  p.destination = "/media/stick";
  p.ifExistsCopy = existsSkipSame;
  p.verifyCopies = true;
  EXPECT_EQ(ValidateOperation(p), 0);
  p.ifExistsCopy = existsSkipSame + 1;
  EXPECT_EQ(ValidateOperation(p), 324);
  p.action = actMove;
  p.ifExistsMove = existsSkipSame;
  EXPECT_EQ(ValidateOperation(p), 0);
}

TEST(SkipSame, TheExistingFilesQuestionCountsOnlyTheFilesThatWillBeReplaced) {
  TempDir tmp;
  const time_t t0 = 1700000000;
  const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3"};
  for (const std::string& n : names) {
    writeFile(tmp / "src" / n, std::string(100, 'n'));
    setMtime(tmp / "src" / n, t0);
    writeFile(tmp / "dst" / n, std::string(100, 'o'));
    setMtime(tmp / "dst" / n, t0);
  }
  // c.mp3 at the destination is another file: it is replaced.
  writeFile(tmp / "dst/c.mp3", std::string(99, 'o'));
  const auto run = [&](int policy, std::function<void(const std::string&)> onQuestion = {},
                       bool answer = true) {
    auto r = std::make_unique<EngineRig>();
    r->display.answer = answer;
    r->engine.SetMediumProfile(LinuxMedium());
    for (const std::string& n : names) r->entries.add((tmp / "src" / n).string(), 0);
    r->params.destination = (tmp / "dst").string();
    r->params.ifExistsCopy = policy;
    r->display.onQuestion = std::move(onQuestion);
    r->go();
    return r;
  };
  const std::string oneExists = LangFormat(356, {1}), threeExist = LangFormat(356, {3});

  // One of three will be replaced: the question names one existing file.
  auto first = run(existsSkipSame);
  ASSERT_EQ(first->display.questions.size(), 1u);
  EXPECT_NE(first->display.questions[0].find(oneExists), std::string::npos);
  EXPECT_EQ(first->display.questions[0].find(threeExist), std::string::npos);
  EXPECT_TRUE(logHas(first->display, copyLine(tmp / "src/a.mp3", kUnchanged)));
  EXPECT_TRUE(logHas(first->display, copyLine(tmp / "src/c.mp3", kDone)));
  EXPECT_EQ(readFile(tmp / "dst/c.mp3"), std::string(100, 'n'));

  // Everything unchanged: nothing to confirm, everything passed over.
  auto second = run(existsSkipSame);
  EXPECT_TRUE(second->display.questions.empty());
  for (const std::string& n : names)
    EXPECT_TRUE(logHas(second->display, copyLine(tmp / "src" / n, kUnchanged))) << n;
  EXPECT_EQ(second->engine.failures(), 0);

  // The other policies count every existing file as before (answered No: nothing moves).
  for (int policy : {existsReplace, existsSkip, existsRename}) {
    SCOPED_TRACE(policy);
    auto other = run(policy, {}, false);
    ASSERT_EQ(other->display.questions.size(), 1u);
    EXPECT_NE(other->display.questions[0].find(threeExist), std::string::npos);
  }
  EXPECT_EQ(namesIn(tmp / "dst"), std::set<std::string>(names.begin(), names.end()));

  // A source edited while the question is open is looked at again: it goes, although the
  // check found it unchanged.
  writeFile(tmp / "dst/c.mp3", std::string(99, 'o'));
  auto third = run(existsSkipSame, [&](const std::string&) {
    writeFile(tmp / "src/b.mp3", std::string(100, 'e'));
  });
  ASSERT_EQ(third->display.questions.size(), 1u);
  EXPECT_NE(third->display.questions[0].find(oneExists), std::string::npos);
  EXPECT_TRUE(logHas(third->display, copyLine(tmp / "src/a.mp3", kUnchanged)));
  EXPECT_TRUE(logHas(third->display, copyLine(tmp / "src/b.mp3", kDone)));
  EXPECT_EQ(readFile(tmp / "dst/b.mp3"), std::string(100, 'e'));
}
