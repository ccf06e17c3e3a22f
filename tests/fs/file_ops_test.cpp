#include "fs/file_ops.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <set>

#include "fs/sys_calls.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::string randomBytes(size_t n, unsigned seed = 7) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen());
  return s;
}

// Temporary copies are hidden names holding ".tavel-part-".
std::vector<std::string> leftovers(const fs::path& folder) {
  std::vector<std::string> found;
  for (const auto& e : fs::directory_iterator(folder)) {
    const std::string name = e.path().filename().string();
    if (name.find(".tavel-part-") != std::string::npos) found.push_back(name);
  }
  return found;
}

void setTimes(const fs::path& p, time_t seconds, long nanos) {
  const struct timespec times[2] = {{seconds, nanos}, {seconds, nanos}};
  ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

struct stat statOf(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st;
}

// A table whose writes (both plain and in-kernel) fail with err once limit bytes went through.
FsCalls failingWrites(int err, std::int64_t limit, bool plainWrites) {
  FsCalls calls = RealFsCalls();
  auto written = std::make_shared<std::int64_t>(0);
  const FsCalls real = RealFsCalls();
  if (plainWrites) {
    calls.copyFileRange = [](int, off_t*, int, off_t*, size_t) -> ssize_t {
      errno = EXDEV;
      return -1;
    };
  }
  calls.write = [=](int fd, const void* buf, size_t n) -> ssize_t {
    if (*written + std::int64_t(n) > limit) {
      errno = err;
      return -1;
    }
    *written += std::int64_t(n);
    return real.write(fd, buf, n);
  };
  calls.copyFileRange = plainWrites
                            ? calls.copyFileRange
                            : [=](int in, off_t* io, int out, off_t* oo, size_t n) -> ssize_t {
    if (*written + std::int64_t(n) > limit) {
      errno = err;
      return -1;
    }
    const ssize_t got = real.copyFileRange(in, io, out, oo, n);
    if (got > 0) *written += got;
    return got;
  };
  return calls;
}

// Runs fn as an ordinary user when the tests run as root, since root writes into read-only
// folders regardless; answers what fn answered (an errno), or -1 when it could not run.
int runUnprivileged(const std::function<int()>& fn) {
  if (::geteuid() != 0) return fn();
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
    ::_exit(fn() & 0xff);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(CopyFile, KeepsContentTimePermissionsAndReportsProgress) {
  TempDir t;
  const std::string data = randomBytes((9 << 20) + 123);
  writeFile(t / "src.flac", data);
  ::chmod((t / "src.flac").c_str(), 0640);
  setTimes(t / "src.flac", 981173106, 123456789);

  std::vector<std::pair<std::int64_t, std::int64_t>> calls;
  CopyOptions options;
  options.progress = [&](std::int64_t total, std::int64_t done) {
    calls.emplace_back(total, done);
    return CopyAnswer::Continue;
  };
  const FileOpResult r =
      CopyFileWithProgress((t / "src.flac").string(), (t / "dst.flac").string(), options);
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_EQ(readFile(t / "dst.flac"), data);
  const struct stat st = statOf(t / "dst.flac");
  EXPECT_EQ(st.st_mtim.tv_sec, 981173106);
  EXPECT_EQ(st.st_mtim.tv_nsec, 123456789);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_TRUE(leftovers(t.path()).empty());

  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.front().second, 0);
  EXPECT_EQ(calls.back().second, std::int64_t(data.size()));
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].first, std::int64_t(data.size()));
    if (i > 0) {
      EXPECT_GT(calls[i].second, calls[i - 1].second);
    }
  }

  // An empty file is copied too, and told as 0 of 0.
  writeFile(t / "empty.mp3", "");
  calls.clear();
  ASSERT_TRUE(
      CopyFileWithProgress((t / "empty.mp3").string(), (t / "empty2.mp3").string(), options).ok());
  EXPECT_TRUE(fs::exists(t / "empty2.mp3"));
  EXPECT_EQ(calls, (std::vector<std::pair<std::int64_t, std::int64_t>>{{0, 0}}));
}

TEST(CopyFile, CancelPartWayKeepsTheOldDestinationAndLeavesNoTemporaryFile) {
  TempDir t;
  writeFile(t / "src.mp3", randomBytes(10 << 20));
  writeFile(t / "dst.mp3", "old song");
  int asked = 0;
  CopyOptions options;
  options.progress = [&](std::int64_t, std::int64_t done) {
    ++asked;
    return done > 0 ? CopyAnswer::Cancel : CopyAnswer::Continue;
  };
  const FileOpResult r =
      CopyFileWithProgress((t / "src.mp3").string(), (t / "dst.mp3").string(), options);
  EXPECT_TRUE(r.cancelled());
  EXPECT_EQ(r.error, 0);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(readFile(t / "dst.mp3"), "old song");
  EXPECT_TRUE(leftovers(t.path()).empty());

  // The cancel flag of another thread is honoured before anything is written.
  std::atomic<bool> cancel{true};
  CopyOptions flagged;
  flagged.cancel = &cancel;
  EXPECT_TRUE(CopyFileWithProgress((t / "src.mp3").string(), (t / "new.mp3").string(), flagged)
                  .cancelled());
  EXPECT_FALSE(fs::exists(t / "new.mp3"));
  EXPECT_TRUE(leftovers(t.path()).empty());
}

TEST(CopyFile, WriteFailuresKeepTheOldDestinationAndLeaveNoTemporaryFile) {
  TempDir t;
  const std::string src = (t / "src.mp3").string();
  const std::string dst = (t / "dst.mp3").string();
  writeFile(src, randomBytes(9 << 20));
  writeFile(dst, "old song");
  struct Case {
    const char* what;
    int err;
    bool plainWrites;
  };
  for (const Case& c : {Case{"in-kernel copy", ENOSPC, false}, Case{"plain writes", ENOSPC, true},
                        Case{"plain writes", EACCES, true}, Case{"plain writes", EIO, true}}) {
    SCOPED_TRACE(std::string(c.what) + " " + std::strerror(c.err));
    ScopedFsCalls fail(failingWrites(c.err, 5 << 20, c.plainWrites));
    int progressCalls = 0;
    CopyOptions options;
    options.progress = [&](std::int64_t, std::int64_t) {
      ++progressCalls;
      return CopyAnswer::Continue;
    };
    const FileOpResult r = CopyFileWithProgress(src, dst, options);
    EXPECT_EQ(r.status, FileOpStatus::Failed);
    EXPECT_EQ(r.error, c.err);
    EXPECT_NE(r.message.find(dst), std::string::npos) << r.message;
    EXPECT_GE(progressCalls, 2);  // it failed part-way, not before starting
    EXPECT_EQ(readFile(dst), "old song");
    EXPECT_TRUE(leftovers(t.path()).empty());
  }

  // A full medium found by the reservation fails before the first byte.
  {
    FsCalls calls = RealFsCalls();
    calls.fallocate = [](int, off_t, off_t) {
      errno = ENOSPC;
      return -1;
    };
    ScopedFsCalls fail(calls);
    CopyOptions options;
    options.progress = [](std::int64_t, std::int64_t) -> CopyAnswer {
      ADD_FAILURE() << "no progress expected";
      return CopyAnswer::Cancel;
    };
    EXPECT_EQ(CopyFileWithProgress(src, dst, options).error, ENOSPC);
    EXPECT_EQ(readFile(dst), "old song");
    EXPECT_TRUE(leftovers(t.path()).empty());
    // A file of one chunk (4 MiB at most) is not reserved: its one write fails as early.
    for (const std::size_t size : {std::size_t{100000}, std::size_t{4} << 20}) {
      const std::string one = (t / "one.mp3").string();
      writeFile(one, randomBytes(size));
      ASSERT_TRUE(CopyFileWithProgress(one, (t / "one-copy.mp3").string()).ok()) << size;
      EXPECT_EQ(readFile(t / "one-copy.mp3"), readFile(one));
    }
  }
  // Failures at the very end: the flush, the close and the rename over the old file.
  for (const char* step : {"fsync", "close", "rename"}) {
    SCOPED_TRACE(step);
    FsCalls calls = RealFsCalls();
    const FsCalls real = RealFsCalls();
    const std::string which = step;
    if (which == "fsync") calls.fsync = [](int) { return errno = EIO, -1; };
    int closes = 0;
    if (which == "close") {
      // The second close is the copy's (the first would be the source's on failure paths).
      calls.close = [&closes, real](int fd) {
        real.close(fd);
        if (++closes == 1) return errno = EIO, -1;
        return 0;
      };
    }
    if (which == "rename")
      calls.rename = [](const char*, const char*, bool) { return errno = EACCES, -1; };
    ScopedFsCalls fail(calls);
    CopyOptions options;
    options.flush = true;
    const FileOpResult r = CopyFileWithProgress(src, dst, options);
    EXPECT_EQ(r.status, FileOpStatus::Failed);
    EXPECT_NE(r.error, 0);
    EXPECT_EQ(readFile(dst), "old song");
    EXPECT_TRUE(leftovers(t.path()).empty());
  }
  // Without the in-kernel copy the plain path gives the same bytes.
  {
    FsCalls calls = RealFsCalls();
    calls.copyFileRange = [](int, off_t*, int, off_t*, size_t) -> ssize_t {
      return errno = ENOSYS, -1;
    };
    ScopedFsCalls plain(calls);
    ASSERT_TRUE(CopyFileWithProgress(src, dst).ok());
    EXPECT_EQ(readFile(dst), readFile(src));
  }
}

TEST(CopyFile, ReplaceRulesAndBadArguments) {
  TempDir t;
  const std::string src = (t / "src.mp3").string();
  writeFile(src, "new song");
  writeFile(t / "dst.mp3", "old song");
  CopyOptions keep;
  keep.replaceExisting = false;
  FileOpResult r = CopyFileWithProgress(src, (t / "dst.mp3").string(), keep);
  EXPECT_EQ(r.error, EEXIST);
  EXPECT_EQ(readFile(t / "dst.mp3"), "old song");
  EXPECT_TRUE(CopyFileWithProgress(src, (t / "fresh.mp3").string(), keep).ok());
  EXPECT_EQ(readFile(t / "fresh.mp3"), "new song");

  // A file that appears at the destination while the copy runs is not replaced either.
  CopyOptions racing = keep;
  racing.progress = [&](std::int64_t, std::int64_t done) {
    if (done > 0) writeFile(t / "late.mp3", "arrived meanwhile");
    return CopyAnswer::Continue;
  };
  EXPECT_EQ(CopyFileWithProgress(src, (t / "late.mp3").string(), racing).error, EEXIST);
  EXPECT_EQ(readFile(t / "late.mp3"), "arrived meanwhile");
  EXPECT_TRUE(leftovers(t.path()).empty());

  ASSERT_TRUE(CopyFileWithProgress(src, (t / "dst.mp3").string()).ok());
  EXPECT_EQ(readFile(t / "dst.mp3"), "new song");

  fs::create_directory(t / "folder");
  EXPECT_EQ(CopyFileWithProgress(src, (t / "folder").string()).error, EISDIR);
  EXPECT_EQ(CopyFileWithProgress((t / "folder").string(), (t / "x.mp3").string()).error, EISDIR);
  EXPECT_EQ(CopyFileWithProgress((t / "none.mp3").string(), (t / "x.mp3").string()).error, ENOENT);
  ASSERT_EQ(::mkfifo((t / "pipe.mp3").c_str(), 0644), 0);
  EXPECT_EQ(CopyFileWithProgress((t / "pipe.mp3").string(), (t / "x.mp3").string()).error, EINVAL);
  EXPECT_EQ(CopyFileWithProgress(src, (t / "no" / "such" / "x.mp3").string()).error, ENOENT);
  EXPECT_EQ(CopyFileWithProgress("", (t / "x.mp3").string()).status, FileOpStatus::Failed);
  EXPECT_EQ(CopyFileWithProgress(src, "").status, FileOpStatus::Failed);
  EXPECT_FALSE(fs::exists(t / "x.mp3"));

  // A name at the length limit still gets a temporary name that fits.
  std::string longName;
  while (longName.size() < 240) longName += "Песня ";
  longName = longName.substr(0, 246) + ".mp3";
  ASSERT_TRUE(CopyFileWithProgress(src, (t / longName).string()).ok());
  EXPECT_EQ(readFile(t / longName), "new song");
  EXPECT_TRUE(leftovers(t.path()).empty());
}

TEST(CopyFile, ReadOnlyDestinationFolderFailsAndKeepsItsFile) {
  TempDir t;
  ::chmod(t.str().c_str(), 0755);
  writeFile(t / "src.mp3", "new song");
  ::chmod((t / "src.mp3").c_str(), 0644);
  fs::create_directory(t / "ro");
  writeFile(t / "ro" / "dst.mp3", "old song");
  ::chmod((t / "ro" / "dst.mp3").c_str(), 0666);
  ::chmod((t / "ro").c_str(), 0555);
  const std::string src = (t / "src.mp3").string(), dst = (t / "ro" / "dst.mp3").string();
  const int copyErr = runUnprivileged([&] { return CopyFileWithProgress(src, dst).error; });
  EXPECT_EQ(copyErr, EACCES);
  const int moveErr = runUnprivileged([&] { return MoveFileWithProgress(src, dst).error; });
  EXPECT_EQ(moveErr, EACCES);
  EXPECT_EQ(readFile(t / "ro" / "dst.mp3"), "old song");
  EXPECT_EQ(readFile(t / "src.mp3"), "new song");
  EXPECT_TRUE(leftovers(t / "ro").empty());
}

TEST(MoveFile, RenamesOnOneVolumeAndCopiesFlushedAcrossVolumes) {
  TempDir t;
  writeFile(t / "a.mp3", "song a");
  bool progressed = false;
  CopyOptions options;
  options.progress = [&](std::int64_t, std::int64_t) {
    progressed = true;
    return CopyAnswer::Continue;
  };
  ASSERT_TRUE(MoveFileWithProgress((t / "a.mp3").string(), (t / "b.mp3").string(), options).ok());
  EXPECT_FALSE(fs::exists(t / "a.mp3"));
  EXPECT_EQ(readFile(t / "b.mp3"), "song a");
  EXPECT_FALSE(progressed);

  // Across volumes (told by EXDEV): the copy reaches the disk before the source goes.
  const std::string data = randomBytes(6 << 20);
  writeFile(t / "c.mp3", data);
  setTimes(t / "c.mp3", 1000000000, 0);
  const std::string src = (t / "c.mp3").string();
  std::vector<std::string> log;
  FsCalls calls = RealFsCalls();
  const FsCalls real = RealFsCalls();
  calls.rename = [&](const char* from, const char* to, bool noReplace) {
    if (src == from) return errno = EXDEV, -1;
    log.push_back("rename");
    return real.rename(from, to, noReplace);
  };
  calls.fsync = [&](int fd) {
    log.push_back("fsync");
    return real.fsync(fd);
  };
  calls.unlink = [&](const char* path) {
    log.push_back(src == path ? "unlink source" : "unlink");
    return real.unlink(path);
  };
  {
    ScopedFsCalls exdev(calls);
    ASSERT_TRUE(MoveFileWithProgress(src, (t / "d.mp3").string(), options).ok());
  }
  EXPECT_TRUE(progressed);
  EXPECT_FALSE(fs::exists(t / "c.mp3"));
  EXPECT_EQ(readFile(t / "d.mp3"), data);
  EXPECT_EQ(statOf(t / "d.mp3").st_mtim.tv_sec, 1000000000);
  EXPECT_EQ(log, (std::vector<std::string>{"fsync", "rename", "fsync", "unlink source"}));
  EXPECT_TRUE(leftovers(t.path()).empty());
}

TEST(MoveFile, FailuresAcrossVolumesNeverLoseTheSource) {
  TempDir t;
  const std::string src = (t / "a.mp3").string(), dst = (t / "b.mp3").string();
  writeFile(src, randomBytes(6 << 20));
  const std::string data = readFile(src);
  writeFile(dst, "old song");

  FsCalls calls = failingWrites(ENOSPC, 1 << 20, false);
  const FsCalls real = RealFsCalls();
  calls.rename = [&](const char* from, const char* to, bool noReplace) {
    if (src == from) return errno = EXDEV, -1;
    return real.rename(from, to, noReplace);
  };
  {
    ScopedFsCalls full(calls);
    EXPECT_EQ(MoveFileWithProgress(src, dst).error, ENOSPC);
  }
  EXPECT_EQ(readFile(src), data);
  EXPECT_EQ(readFile(dst), "old song");
  EXPECT_TRUE(leftovers(t.path()).empty());

  // The copy is complete but the source cannot be deleted: both stay, and it is a failure.
  calls = RealFsCalls();
  calls.rename = [&](const char* from, const char* to, bool noReplace) {
    if (src == from) return errno = EXDEV, -1;
    return real.rename(from, to, noReplace);
  };
  calls.unlink = [&](const char* path) {
    if (src == path) return errno = EACCES, -1;
    return real.unlink(path);
  };
  {
    ScopedFsCalls stuck(calls);
    const FileOpResult r = MoveFileWithProgress(src, dst);
    EXPECT_EQ(r.error, EACCES);
    EXPECT_NE(r.message.find("complete"), std::string::npos) << r.message;
  }
  EXPECT_EQ(readFile(src), data);
  EXPECT_EQ(readFile(dst), data);

  // Replacement refused: both files stay as they were.
  writeFile(dst, "old song");
  CopyOptions keep;
  keep.replaceExisting = false;
  EXPECT_EQ(MoveFileWithProgress(src, dst, keep).error, EEXIST);
  EXPECT_EQ(readFile(dst), "old song");
  EXPECT_EQ(readFile(src), data);
  EXPECT_EQ(MoveFileWithProgress((t / "none").string(), dst).error, ENOENT);
}

TEST(MoveFile, RealMoveToAnotherFileSystem) {
  TempDir t;
  struct stat shm {
  }, tmp{};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(t.str().c_str(), &tmp) != 0 ||
      shm.st_dev == tmp.st_dev || ::access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no second file system at /dev/shm";
  }
  std::string other = "/dev/shm/tavel-fs-test-XXXXXX";
  ASSERT_NE(::mkdtemp(other.data()), nullptr);
  const std::string data = randomBytes(5 << 20, 3);
  writeFile(t / "a.mp3", data);
  const FileOpResult r = MoveFileWithProgress((t / "a.mp3").string(), other + "/a.mp3");
  EXPECT_TRUE(r.ok()) << r.message;
  EXPECT_FALSE(fs::exists(t / "a.mp3"));
  EXPECT_EQ(readFile(other + "/a.mp3"), data);
  EXPECT_TRUE(leftovers(other).empty());
  fs::remove_all(other);
}

TEST(FileOps, RemoveCreateAndFlush) {
  TempDir t;
  writeFile(t / "a.mp3", "x");
  EXPECT_TRUE(RemoveFile((t / "a.mp3").string()).ok());
  EXPECT_FALSE(fs::exists(t / "a.mp3"));
  EXPECT_EQ(RemoveFile((t / "a.mp3").string()).error, ENOENT);

  EXPECT_TRUE(CreateFolderTree((t / "x" / "y" / "z").string() + "/").ok());
  EXPECT_TRUE(fs::is_directory(t / "x" / "y" / "z"));
  EXPECT_TRUE(CreateFolderTree((t / "x" / "y").string()).ok());
  EXPECT_EQ(RemoveFile((t / "x").string()).error, EISDIR);
  EXPECT_EQ(RemoveFolder((t / "x").string()).error, ENOTEMPTY);
  EXPECT_TRUE(RemoveFolder((t / "x" / "y" / "z").string()).ok());
  writeFile(t / "file", "x");
  EXPECT_EQ(CreateFolderTree((t / "file" / "sub").string()).error, ENOTDIR);
  EXPECT_EQ(CreateFolderTree("").status, FileOpStatus::Failed);

  EXPECT_TRUE(FlushPath((t / "file").string()).ok());
  EXPECT_TRUE(FlushPath(t.str()).ok());
  EXPECT_EQ(FlushPath((t / "none").string()).error, ENOENT);
  EXPECT_TRUE(FlushFileSystem((t / "not" / "yet").string()).ok());
  FsCalls calls = RealFsCalls();
  calls.syncfs = [](int) { return errno = EIO, -1; };
  ScopedFsCalls broken(calls);
  EXPECT_EQ(FlushFileSystem(t.str()).error, EIO);
}

TEST(CopyFile, CancelDuringTheLastChunkStillDiscardsTheCopy) {
  TempDir t;
  writeFile(t / "src.mp3", randomBytes(100000));
  writeFile(t / "dst.mp3", "old song");
  std::atomic<bool> cancel{false};
  CopyOptions options;
  options.cancel = &cancel;
  // The user presses Skip while the last chunk's progress is shown.
  options.progress = [&](std::int64_t total, std::int64_t done) {
    if (done == total) cancel = true;
    return CopyAnswer::Continue;
  };
  const FileOpResult r =
      CopyFileWithProgress((t / "src.mp3").string(), (t / "dst.mp3").string(), options);
  EXPECT_TRUE(r.cancelled());
  EXPECT_EQ(readFile(t / "dst.mp3"), "old song");
  EXPECT_TRUE(leftovers(t.path()).empty());
}

TEST(FileOps, PathsHoldingANulByteAreRefusedAsInvalidNames) {
  TempDir t;
  ScopedEnv home("HOME", (t / "home").string());
  ScopedEnv data("XDG_DATA_HOME", std::nullopt);
  writeFile(t / "victim", "victim");
  fs::create_directories(t / "home");
  fs::create_directories(t / "empty");
  const std::string nul(1, '\0');
  const std::string victim = (t / "victim").string() + nul + ".mp3";
  auto refused = [](const FileOpResult& r) {
    return r.status == FileOpStatus::Failed && r.error == EINVAL &&
           r.message.find("invalid name") != std::string::npos;
  };
  EXPECT_TRUE(refused(RemoveFile(victim)));
  EXPECT_TRUE(refused(DeleteToRecycleBin(victim)));
  EXPECT_TRUE(refused(MoveFileWithProgress(victim, (t / "moved").string())));
  EXPECT_TRUE(refused(MoveFileWithProgress((t / "victim").string(), victim)));
  EXPECT_TRUE(refused(CopyFileWithProgress(victim, (t / "copy").string())));
  EXPECT_TRUE(refused(CopyFileWithProgress((t / "empty/x").string(), victim)));
  EXPECT_TRUE(refused(RemoveFolder((t / "empty").string() + nul + "x")));
  EXPECT_TRUE(refused(CreateFolderTree((t / "new").string() + nul + "/x")));
  EXPECT_TRUE(refused(FlushFileSystem(victim)));
  EXPECT_TRUE(refused(FlushPath(victim)));
  EXPECT_EQ(readFile(t / "victim"), "victim");
  EXPECT_TRUE(fs::is_directory(t / "empty"));
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(t.path())) names.insert(e.path().filename());
  EXPECT_EQ(names, (std::set<std::string>{"empty", "home", "victim"}));
  EXPECT_TRUE(fs::is_empty(t / "home"));
}
