#pragma once
// The system calls behind copy, move, delete, trash, flush, lookups and folder listings,
// gathered in one swappable table so tests can make a call fail (ENOSPC, EACCES, EXDEV ...)
// without filling a disk. The members have the signatures and errno conventions of the
// calls they stand for.
#include <sys/stat.h>
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// One entry of a folder listing: its name and the type readdir gives (DT_REG, DT_DIR,
// DT_LNK ..., DT_UNKNOWN where the file system does not say).
struct FolderEntry {
  std::string name;
  unsigned char type = 0;
};

struct FsCalls {
  std::function<int(const char* path, int flags, mode_t mode)> open;
  std::function<int(int fd)> close;
  std::function<ssize_t(int fd, void* buf, size_t count)> read;
  std::function<ssize_t(int fd, const void* buf, size_t count)> write;
  std::function<ssize_t(int in, off_t* inOff, int out, off_t* outOff, size_t len)> copyFileRange;
  std::function<int(int fd, off_t offset, off_t len)> fallocate;
  std::function<int(int fd)> fsync;
  std::function<int(int fd)> syncfs;
  // rename with noReplace: fail with EEXIST instead of replacing an existing target.
  std::function<int(const char* from, const char* to, bool noReplace)> rename;
  std::function<int(const char* path)> unlink;
  std::function<int(const char* path)> rmdir;
  std::function<int(const char* path, mode_t mode)> mkdir;
  std::function<int(const char* path, struct stat* st)> stat;
  std::function<int(const char* path, struct stat* st)> lstat;
  std::function<int(int fd, struct stat* st)> fstat;
  // name relative to the open folder dirFd; flags as fstatat's (AT_SYMLINK_NOFOLLOW).
  std::function<int(int dirFd, const char* name, struct stat* st, int flags)> fstatat;
  // Every entry of the open folder dirFd but "." and "..", in the file system's order,
  // appended to entries; dirFd stays open and usable for fstatat.
  std::function<int(int dirFd, std::vector<FolderEntry>& entries)> listFolder;
};

// The real calls.
FsCalls RealFsCalls();

// The table every routine of the file operations uses.
FsCalls& ActiveFsCalls();

// Puts a table in place for its lifetime (tests); the previous one comes back after.
class ScopedFsCalls {
 public:
  explicit ScopedFsCalls(FsCalls calls);
  ~ScopedFsCalls();
  ScopedFsCalls(const ScopedFsCalls&) = delete;
  ScopedFsCalls& operator=(const ScopedFsCalls&) = delete;

 private:
  FsCalls saved_;
};
