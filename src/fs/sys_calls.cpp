#include "fs/sys_calls.h"

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
