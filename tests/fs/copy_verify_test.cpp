// Verified copies: the copy is read back from the medium and compared with the source
// before it takes the destination's name.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "fs/file_ops.h"
#include "fs/sys_calls.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

std::string randomBytes(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(gen());
  return s;
}

bool partFilesIn(const fs::path& folder) {
  for (const auto& e : fs::directory_iterator(folder))
    if (e.path().filename().string().find(".tavel-part-") != std::string::npos) return true;
  return false;
}

// A table whose write number `which` (counted from 1) lands with one byte flipped, as a
// failing medium or cable would store it, while the call reports success.
FsCalls corruptingWrite(int which) {
  FsCalls calls = RealFsCalls();
  const FsCalls real = RealFsCalls();
  auto count = std::make_shared<int>(0);
  calls.write = [=](int fd, const void* buf, size_t n) -> ssize_t {
    if (++*count != which || n == 0) return real.write(fd, buf, n);
    std::string bad(static_cast<const char*>(buf), n);
    bad[n / 2] = static_cast<char>(bad[n / 2] ^ 0x10);
    return real.write(fd, bad.data(), n);
  };
  return calls;
}

}  // namespace

TEST(VerifiedCopy, ReadsTheCopyBackOnceAndCountsItAsWorkOfTheFile) {
  TempDir t;
  const std::string data = randomBytes((9 << 20) + 123, 3);
  writeFile(t / "src.flac", data);
  const struct timespec times[2] = {{981173106, 5000000}, {981173106, 5000000}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (t / "src.flac").c_str(), times, 0), 0);

  // Count what is read from the source and from the copy's temporary file.
  FsCalls calls = RealFsCalls();
  const FsCalls real = RealFsCalls();
  int sourceFd = -1, partFd = -1;
  std::int64_t sourceRead = 0, partRead = 0;
  int rangeCalls = 0;
  std::vector<std::string> order;
  calls.open = [&](const char* path, int flags, mode_t mode) {
    const int fd = real.open(path, flags, mode);
    const std::string p = path;
    if (p == (t / "src.flac").string()) sourceFd = fd;
    if (p.find(".tavel-part-") != std::string::npos && (flags & O_ACCMODE) == O_RDONLY) {
      partFd = fd;
      order.push_back("read back");
    }
    return fd;
  };
  calls.read = [&](int fd, void* buf, size_t n) {
    const ssize_t got = real.read(fd, buf, n);
    if (got > 0 && fd == sourceFd) sourceRead += got;
    if (got > 0 && fd == partFd) partRead += got;
    return got;
  };
  calls.copyFileRange = [&](int in, off_t* io, int out, off_t* oo, size_t n) {
    ++rangeCalls;
    return real.copyFileRange(in, io, out, oo, n);
  };
  std::vector<std::pair<std::int64_t, std::int64_t>> progress;
  CopyOptions options;
  options.verify = true;
  options.progress = [&](std::int64_t total, std::int64_t done) {
    progress.emplace_back(total, done);
    return CopyAnswer::Continue;
  };
  {
    ScopedFsCalls seam(calls);
    const FileOpResult r =
        CopyFileWithProgress((t / "src.flac").string(), (t / "dst.flac").string(), options);
    ASSERT_TRUE(r.ok()) << r.message;
  }
  EXPECT_EQ(readFile(t / "dst.flac"), data);
  struct stat st {};
  ::stat((t / "dst.flac").c_str(), &st);
  EXPECT_EQ(st.st_mtim.tv_sec, 981173106);
  EXPECT_EQ(sourceRead, std::int64_t(data.size()));  // the source is read once
  EXPECT_EQ(partRead, std::int64_t(data.size()));
  EXPECT_EQ(rangeCalls, 0);
  EXPECT_EQ(order, std::vector<std::string>{"read back"});
  EXPECT_FALSE(partFilesIn(t.path()));

  // Progress runs over twice the bytes, up to the end of the read-back, never backwards.
  const std::int64_t work = 2 * std::int64_t(data.size());
  ASSERT_GE(progress.size(), 5u);
  for (size_t i = 0; i < progress.size(); ++i) {
    EXPECT_EQ(progress[i].first, work);
    if (i > 0) {
      EXPECT_GE(progress[i].second, progress[i - 1].second);
    }
  }
  EXPECT_EQ(progress.back().second, work);

  // An empty file is verified too.
  writeFile(t / "empty.mp3", "");
  EXPECT_TRUE(
      CopyFileWithProgress((t / "empty.mp3").string(), (t / "empty2.mp3").string(), options).ok());
  EXPECT_TRUE(fs::exists(t / "empty2.mp3"));
}

TEST(VerifiedCopy, ACorruptedCopyFailsAndNeverReplacesTheDestination) {
  TempDir t;
  const std::string data = randomBytes((6 << 20) + 7, 5);
  writeFile(t / "src.mp3", data);
  writeFile(t / "dst.mp3", "the older song");
  CopyOptions options;
  options.verify = true;

  // Corrupted on the way to the medium, in the first and in a later chunk.
  for (int which : {1, 2}) {
    SCOPED_TRACE("write " + std::to_string(which));
    ScopedFsCalls seam(corruptingWrite(which));
    const FileOpResult r =
        CopyFileWithProgress((t / "src.mp3").string(), (t / "dst.mp3").string(), options);
    EXPECT_EQ(r.status, FileOpStatus::Failed);
    EXPECT_TRUE(r.mismatch);
    EXPECT_EQ(r.error, EIO);
    EXPECT_EQ(readFile(t / "dst.mp3"), "the older song");
    EXPECT_FALSE(partFilesIn(t.path()));
  }

  // The same corruption without verifying goes unnoticed: the check above is what finds it.
  {
    ScopedFsCalls seam(corruptingWrite(1));
    CopyOptions plain;
    FsCalls& sys = ActiveFsCalls();
    sys.copyFileRange = [](int, off_t*, int, off_t*, size_t) -> ssize_t {
      errno = EXDEV;
      return -1;
    };
    ASSERT_TRUE(
        CopyFileWithProgress((t / "src.mp3").string(), (t / "plain.mp3").string(), plain).ok());
    EXPECT_NE(readFile(t / "plain.mp3"), data);
  }

  // A copy that reads back shorter than the source (a write the medium dropped) fails too.
  {
    FsCalls calls = RealFsCalls();
    const FsCalls real = RealFsCalls();
    calls.write = [=](int fd, const void* buf, size_t n) -> ssize_t {
      if (n > 1) real.write(fd, buf, n - 1);
      return static_cast<ssize_t>(n);
    };
    ScopedFsCalls seam(calls);
    const FileOpResult r =
        CopyFileWithProgress((t / "src.mp3").string(), (t / "short.mp3").string(), options);
    EXPECT_TRUE(r.mismatch);
    EXPECT_FALSE(fs::exists(t / "short.mp3"));
  }

  // A cancel during the read-back discards the copy like a cancel during the copy.
  CopyOptions cancelling = options;
  cancelling.progress = [&](std::int64_t, std::int64_t done) {
    return done > std::int64_t(data.size()) ? CopyAnswer::Cancel : CopyAnswer::Continue;
  };
  const FileOpResult r =
      CopyFileWithProgress((t / "src.mp3").string(), (t / "dst.mp3").string(), cancelling);
  EXPECT_TRUE(r.cancelled());
  EXPECT_EQ(readFile(t / "dst.mp3"), "the older song");
  EXPECT_FALSE(partFilesIn(t.path()));
}

TEST(VerifiedCopy, AMoveAcrossVolumesKeepsItsSourceWhenTheCopyDiffers) {
  TempDir t;
  const std::string data = randomBytes(3 << 20, 9);
  writeFile(t / "a.mp3", data);
  const std::string src = (t / "a.mp3").string();
  FsCalls calls = corruptingWrite(1);
  const FsCalls real = RealFsCalls();
  calls.rename = [&](const char* from, const char* to, bool noReplace) {
    if (src == from) return errno = EXDEV, -1;
    return real.rename(from, to, noReplace);
  };
  CopyOptions options;
  options.verify = true;
  {
    ScopedFsCalls seam(calls);
    const FileOpResult r = MoveFileWithProgress(src, (t / "b.mp3").string(), options);
    EXPECT_TRUE(r.mismatch);
  }
  EXPECT_EQ(readFile(t / "a.mp3"), data);
  EXPECT_FALSE(fs::exists(t / "b.mp3"));
  EXPECT_FALSE(partFilesIn(t.path()));

  // Without the corruption the verified move goes through and the source goes.
  {
    FsCalls exdev = RealFsCalls();
    exdev.rename = calls.rename;
    ScopedFsCalls seam(exdev);
    ASSERT_TRUE(MoveFileWithProgress(src, (t / "b.mp3").string(), options).ok());
  }
  EXPECT_FALSE(fs::exists(t / "a.mp3"));
  EXPECT_EQ(readFile(t / "b.mp3"), data);
}
