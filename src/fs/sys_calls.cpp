#include "fs/sys_calls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

FsCalls RealFsCalls() {
  FsCalls c;
  c.open = [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); };
  c.close = [](int fd) { return ::close(fd); };
  c.read = [](int fd, void* buf, size_t n) { return ::read(fd, buf, n); };
  c.write = [](int fd, const void* buf, size_t n) { return ::write(fd, buf, n); };
  c.copyFileRange = [](int in, off_t* inOff, int out, off_t* outOff, size_t len) {
    return ::copy_file_range(in, inOff, out, outOff, len, 0);
  };
  c.fallocate = [](int fd, off_t offset, off_t len) {
    return ::fallocate(fd, FALLOC_FL_KEEP_SIZE, offset, len);
  };
  c.fsync = [](int fd) { return ::fsync(fd); };
  c.syncfs = [](int fd) { return ::syncfs(fd); };
  c.rename = [](const char* from, const char* to, bool noReplace) {
    if (!noReplace) return ::rename(from, to);
    const int rc = ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    if (rc == 0 || (errno != EINVAL && errno != ENOSYS)) return rc;
    // A file system without the no-replace flag: a hard link refuses an existing target
    // just the same; without hard links (FAT) only a look before the rename is left.
    if (::link(from, to) == 0) {
      ::unlink(from);
      return 0;
    }
    if (errno == EEXIST) return -1;
    struct stat st;
    if (::lstat(to, &st) == 0) {
      errno = EEXIST;
      return -1;
    }
    return ::rename(from, to);
  };
  c.unlink = [](const char* path) { return ::unlink(path); };
  c.rmdir = [](const char* path) { return ::rmdir(path); };
  c.mkdir = [](const char* path, mode_t mode) { return ::mkdir(path, mode); };
  c.stat = [](const char* path, struct stat* st) { return ::stat(path, st); };
  c.lstat = [](const char* path, struct stat* st) { return ::lstat(path, st); };
  c.fstat = [](int fd, struct stat* st) { return ::fstat(fd, st); };
  c.fstatat = [](int dirFd, const char* name, struct stat* st, int flags) {
    return ::fstatat(dirFd, name, st, flags);
  };
  c.listFolder = [](int dirFd, std::vector<FolderEntry>& entries) {
    // The stream gets a handle of its own: closing it must leave the caller's open.
    const int own = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (own < 0) return -1;
    DIR* dir = ::fdopendir(own);
    if (!dir) {
      const int err = errno;
      ::close(own);
      errno = err;
      return -1;
    }
    // A duplicate shares the position of the original: start from the first entry.
    ::rewinddir(dir);
    errno = 0;
    while (const dirent* e = ::readdir(dir)) {
      const char* n = e->d_name;
      if (n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0))) continue;
      entries.push_back({n, e->d_type});
    }
    const int err = errno;
    ::closedir(dir);
    errno = err;
    return err == 0 ? 0 : -1;
  };
  return c;
}

FsCalls& ActiveFsCalls() {
  static FsCalls calls = RealFsCalls();
  return calls;
}

ScopedFsCalls::ScopedFsCalls(FsCalls calls) : saved_(ActiveFsCalls()) {
  ActiveFsCalls() = std::move(calls);
}

ScopedFsCalls::~ScopedFsCalls() {
  ActiveFsCalls() = std::move(saved_);
}
