// The one file-system seam: lookups, listings and whole-file writes go through FsCalls, so
// a test can make them fail; descriptors are closed once, by their owner.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "fs/atomic_file.h"
#include "fs/file_tree.h"
#include "fs/sys_calls.h"
#include "fs/unique_fd.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> namesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

}  // namespace

TEST(FsSeam, LookupsAndListingsSeeWhatTheTableSays) {
  TempDir t;
  writeFile(t / "music/b.mp3", "b");
  writeFile(t / "music/a.mp3", "a");
  writeFile(t / "music/sub/c.mp3", "c");
  fs::create_symlink(t / "nowhere", t / "music/dangling");
  const std::string music = (t / "music").string();

  EXPECT_TRUE(AnythingAt(music + "/dangling"));  // a dangling link still takes the name
  EXPECT_FALSE(IsFolderAt(music + "/dangling"));
  EXPECT_TRUE(IsFolderAt(music + "/sub"));
  EXPECT_TRUE(SameFile(music + "/a.mp3", music + "/sub/../a.mp3"));
  EXPECT_FALSE(SameFile(music + "/a.mp3", music + "/b.mp3"));
  EXPECT_FALSE(AnythingAt(""));
  EXPECT_FALSE(AnythingAt(music + std::string(1, '\0') + "/a.mp3"));
  EXPECT_EQ(SortedNames(music), (std::vector<std::string>{"a.mp3", "b.mp3", "dangling", "sub"}));
  EXPECT_TRUE(SortedNames((t / "missing").string()).empty());

  // A lookup refused (EACCES) is no file, but the name counts as taken; a listing that
  // fails lists nothing.
  FsCalls calls = RealFsCalls();
  calls.lstat = [](const char*, struct stat*) { return errno = EACCES, -1; };
  calls.stat = calls.lstat;
  calls.listFolder = [](int, std::vector<FolderEntry>&) { return errno = EIO, -1; };
  {
    ScopedFsCalls refused(calls);
    EXPECT_FALSE(AnythingAt(music + "/a.mp3"));
    EXPECT_FALSE(IsFolderAt(music));
    EXPECT_TRUE(NameTakenAt(music + "/free.mp3"));
    EXPECT_TRUE(SortedNames(music).empty());
    std::vector<std::string> files;
    ListFiles(files, music, false, true, "*.*");
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(FindFileInfo(music + "/a.mp3"));
    EXPECT_TRUE(CollectClearableTree(music).files.empty());
  }
  EXPECT_FALSE(NameTakenAt(music + "/free.mp3"));

  // An entry the table adds is seen by the walk as the file system's own would be; its
  // type unknown, the walk asks fstatat.
  calls = RealFsCalls();
  const FsCalls real = RealFsCalls();
  calls.listFolder = [real](int fd, std::vector<FolderEntry>& entries) {
    const int rc = real.listFolder(fd, entries);
    for (FolderEntry& e : entries) e.type = DT_UNKNOWN;
    return rc;
  };
  {
    ScopedFsCalls untyped(calls);
    std::vector<std::string> files;
    ListFiles(files, music, false, true, "*.*");
    EXPECT_EQ(files, (std::vector<std::string>{"a.mp3", "b.mp3", "sub/c.mp3"}));
  }
}

TEST(UniqueFd, ClosesOnceWhereverItEndsUp) {
  std::vector<int> closed;
  FsCalls calls = RealFsCalls();
  const FsCalls real = RealFsCalls();
  calls.close = [&closed, real](int fd) {
    closed.push_back(fd);
    return real.close(fd);
  };
  ScopedFsCalls counting(calls);
  int first = -1;
  {
    UniqueFd a(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    ASSERT_TRUE(a);
    first = a.get();
    UniqueFd b(std::move(a));
    EXPECT_FALSE(a);
    EXPECT_EQ(b.get(), first);
    UniqueFd c(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    const int second = c.get();
    c = std::move(b);  // c's own descriptor goes now
    EXPECT_EQ(closed, std::vector<int>{second});
    EXPECT_EQ(c.close(), 0);
    EXPECT_EQ(c.close(), 0);  // nothing left to close
    EXPECT_EQ(closed, (std::vector<int>{second, first}));
    const int kept = UniqueFd(::open("/dev/null", O_RDONLY | O_CLOEXEC)).release();
    EXPECT_GE(kept, 0);
    ::close(kept);
  }
  EXPECT_EQ(closed.size(), 2u);
}

TEST(AtomicFile, TheTargetChangesWholeOrNotAtAll) {
  TempDir t;
  const std::string target = (t / "list.m3u").string();
  writeFile(target, "old");
  int n = 0;
  auto nextName = [&] { return target + ".part" + std::to_string(++n); };

  // Every step that fails leaves the old file and no temporary.
  for (const char* step : {"write", "fsync", "close", "rename"}) {
    SCOPED_TRACE(step);
    FsCalls calls = RealFsCalls();
    const FsCalls real = RealFsCalls();
    const std::string which = step;
    if (which == "write") calls.write = [](int, const void*, size_t) { return errno = ENOSPC, -1; };
    if (which == "fsync") calls.fsync = [](int) { return errno = EIO, -1; };
    if (which == "close") calls.close = [real](int fd) { return real.close(fd), errno = EIO, -1; };
    if (which == "rename")
      calls.rename = [](const char*, const char*, bool) { return errno = EXDEV, -1; };
    ScopedFsCalls failing(calls);
    AtomicFile f;
    ASSERT_EQ(f.create(nextName, 0644), 0);
    int err = f.writeAll("new", 3);
    if (!err) err = f.flush();
    if (!err) err = f.close();
    if (!err) err = f.commit(target);
    EXPECT_NE(err, 0);
  }
  EXPECT_EQ(readFile(target), "old");
  EXPECT_EQ(namesIn(t.path()), std::set<std::string>{"list.m3u"});

  // A write that takes nothing ends with EIO instead of trying for ever.
  {
    FsCalls calls = RealFsCalls();
    calls.write = [](int, const void*, size_t) -> ssize_t { return 0; };
    ScopedFsCalls stuck(calls);
    AtomicFile f;
    ASSERT_EQ(f.create(nextName, 0644), 0);
    EXPECT_EQ(f.writeAll("new", 3), EIO);
  }

  // Taken names are tried again up to the count given; the last name tried is told.
  writeFile(target + ".taken", "someone else's");
  {
    AtomicFile f;
    EXPECT_EQ(f.create([&] { return target + ".taken"; }, 0644, 3), EEXIST);
    EXPECT_EQ(f.tempPath(), target + ".taken");
  }
  EXPECT_EQ(readFile(target + ".taken"), "someone else's");
  int tries = 0;
  {
    AtomicFile f;
    ASSERT_EQ(
        f.create([&] { return ++tries < 3 ? target + ".taken" : target + ".free"; }, 0600, 100), 0);
    EXPECT_EQ(tries, 3);
    ASSERT_EQ(f.writeAll("new", 3), 0);
    ASSERT_EQ(f.close(), 0);
    // noReplace refuses an existing target and keeps the temporary until the owner goes.
    EXPECT_EQ(f.commit(target, true), EEXIST);
    EXPECT_TRUE(fs::exists(target + ".free"));
    ASSERT_EQ(f.commit(target), 0);
    SyncFolder(t.str());
  }
  EXPECT_EQ(readFile(target), "new");
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(namesIn(t.path()), (std::set<std::string>{"list.m3u", "list.m3u.taken"}));
}
