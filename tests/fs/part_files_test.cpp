// Sweeping a destination folder for the temporaries of interrupted copies: exactly our
// names, only regular files no copy is writing, and never anything else.
#include "fs/part_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/file_ops.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

void makeOld(const fs::path& p) {
  const std::time_t old = std::time(nullptr) - 600;
  const struct timespec times[2] = {{old, 0}, {old, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace

TEST(PartFiles, TheNamePatternIsExact) {
  EXPECT_TRUE(IsPartFileName(".song.mp3.tavel-part-a1b2c3"));
  EXPECT_TRUE(IsPartFileName(".x.tavel-part-000000"));
  EXPECT_TRUE(IsPartFileName("..x.tavel-part-zzzzzz"));  // a name that itself starts with '.'
  for (const char* n :
       {"song.mp3.tavel-part-a1b2c3", ".song.mp3.tavel-part-A1B2C3", ".song.mp3.tavel-part-a1b2c",
        ".song.mp3.tavel-part-a1b2c3d", ".song.mp3.tavel-part-a1b2c3.mp3", ".tavel-part-a1b2c3",
        ".song.mp3", ".song.mp3.tavel-part-a1b-c3", ".song.tavel_part-a1b2c3",
        "..tavel-part-zzzzzz", ""})
    EXPECT_FALSE(IsPartFileName(n)) << n;
}

TEST(PartFiles, OnlyStaleRegularFilesOfOurPatternGo) {
  TempDir dir;
  const std::vector<std::string> stale = {".a.mp3.tavel-part-abc123",
                                          ".b c.flac.tavel-part-000000"};
  for (const auto& n : stale) writeFile(dir / n, "half a song");
  // What stays: other names, a fresh temporary, a link, a folder, a FIFO of our pattern.
  const std::vector<std::string> others = {"a.mp3", ".a.mp3", "a.mp3.tavel-part-abc123",
                                           ".a.mp3.tavel-part-ABC123", ".a.mp3.tavel-part-abc1234"};
  for (const auto& n : others) writeFile(dir / n, "keep");
  writeFile(dir / ".fresh.mp3.tavel-part-fresh1", "being written");
  writeFile(dir / "target", "the link's target");
  fs::create_symlink(dir / "target", dir / ".l.mp3.tavel-part-link01");
  fs::create_directory(dir / ".d.mp3.tavel-part-fold01");
  ASSERT_EQ(::mkfifo((dir / ".p.mp3.tavel-part-fifo01").c_str(), 0600), 0);
  for (const auto& n : stale) makeOld(dir / n);
  for (const auto& n : others) makeOld(dir / n);
  makeOld(dir / ".l.mp3.tavel-part-link01");
  makeOld(dir / ".d.mp3.tavel-part-fold01");
  makeOld(dir / ".p.mp3.tavel-part-fifo01");
  // One more stale by its age, but a copy holds its lock.
  writeFile(dir / ".w.mp3.tavel-part-lock01", "being written slowly");
  makeOld(dir / ".w.mp3.tavel-part-lock01");
  const int writer = ::open((dir / ".w.mp3.tavel-part-lock01").c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::flock(writer, LOCK_EX | LOCK_NB), 0);

  const std::vector<std::string> before = namesIn(dir.path());
  EXPECT_EQ(RemoveStalePartFiles(dir.str()), 2);
  std::vector<std::string> expected;
  for (const auto& n : before)
    if (std::find(stale.begin(), stale.end(), n) == stale.end()) expected.push_back(n);
  EXPECT_EQ(namesIn(dir.path()), expected);
  EXPECT_EQ(readFile(dir / "target"), "the link's target");

  // Once the copy has let go, its temporary is stale as well.
  ::close(writer);
  EXPECT_EQ(RemoveStalePartFiles(dir.str()), 1);
  EXPECT_FALSE(fs::exists(dir / ".w.mp3.tavel-part-lock01"));
  EXPECT_EQ(RemoveStalePartFiles((dir / "missing").string()), 0);
}

// The temporary of a copy in progress has our pattern and is left alone by a sweep, even
// one that takes no account of age; a sweep of a run goes through each folder once.
TEST(PartFiles, ACopyInProgressKeepsItsTemporary) {
  TempDir dir;
  writeFile(dir / "source.mp3", std::string(9 << 20, 'x'));
  fs::create_directory(dir / "out");
  std::vector<std::string> seen;
  int sweptDuringCopy = -1;
  CopyOptions options;
  options.progress = [&](std::int64_t, std::int64_t done) {
    if (done > 0 && sweptDuringCopy < 0) {
      seen = namesIn(dir / "out");
      sweptDuringCopy = RemoveStalePartFiles((dir / "out").string(), 0);
    }
    return CopyAnswer::Continue;
  };
  ASSERT_TRUE(CopyFileWithProgress((dir / "source.mp3").string(),
                                   (dir / "out" / "song.mp3").string(), options)
                  .ok());
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_TRUE(IsPartFileName(seen[0])) << seen[0];
  EXPECT_EQ(sweptDuringCopy, 0);
  EXPECT_EQ(namesIn(dir / "out"), std::vector<std::string>{"song.mp3"});

  writeFile(dir / "out" / ".old.mp3.tavel-part-old001", "x");
  makeOld(dir / "out" / ".old.mp3.tavel-part-old001");
  PartFileSweep sweep;
  EXPECT_EQ(sweep.beforeWritingTo((dir / "out" / "a.mp3").string()), 1);
  writeFile(dir / "out" / ".old.mp3.tavel-part-old002", "x");
  makeOld(dir / "out" / ".old.mp3.tavel-part-old002");
  EXPECT_EQ(sweep.beforeWritingTo((dir / "out" / "b.mp3").string()), 0);  // swept already
  EXPECT_TRUE(fs::exists(dir / "out" / ".old.mp3.tavel-part-old002"));
}
