#include "fs/atomic_file.h"

#include <fcntl.h>

#include <cerrno>

#include "fs/sys_calls.h"

int AtomicFile::create(const std::function<std::string()>& nextName, mode_t perm, int tries) {
  FsCalls& sys = ActiveFsCalls();
  discard();
  int err = EEXIST;
  for (int attempt = 0; attempt < tries && !fd_; ++attempt) {
    temp_ = nextName();
    fd_ = UniqueFd(sys.open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, perm));
    if (!fd_) {
      err = errno;
      if (err != EEXIST) break;
    }
  }
  ours_ = bool(fd_);
  return ours_ ? 0 : err;
}

int AtomicFile::writeAll(const void* data, std::size_t size) {
  FsCalls& sys = ActiveFsCalls();
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t w = sys.write(fd_.get(), p, size);
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) return errno;
    if (w == 0) return EIO;
    p += w;
    size -= static_cast<std::size_t>(w);
  }
  return 0;
}

int AtomicFile::flush() {
  return ActiveFsCalls().fsync(fd_.get()) == 0 ? 0 : errno;
}

int AtomicFile::close() {
  return fd_.close() == 0 ? 0 : errno;
}

int AtomicFile::commit(const std::string& target, bool noReplace) {
  if (ActiveFsCalls().rename(temp_.c_str(), target.c_str(), noReplace) != 0) return errno;
  ours_ = false;
  return 0;
}

void AtomicFile::discard() {
  fd_.close();
  if (ours_) ActiveFsCalls().unlink(temp_.c_str());
  ours_ = false;
}

void SyncFolder(const std::string& folder) {
  FsCalls& sys = ActiveFsCalls();
  const UniqueFd fd(sys.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
  if (fd) sys.fsync(fd.get());
}
