#include "fs/file_ops.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "fs/atomic_file.h"
#include "fs/file_ops_internal.h"
#include "fs/part_files.h"
#include "fs/path_text.h"
#include "fs/sys_calls.h"
#include "fs/unique_fd.h"

FileOpResult FileOpFailed(int error, const std::string& what, const std::string& path) {
  FileOpResult r;
  r.status = FileOpStatus::Failed;
  r.error = error;
  r.message = what + " " + path + ": " + std::strerror(error);
  return r;
}

FileOpResult InvalidNameResult(const std::string& what, const std::string& path) {
  std::string shown;
  for (char c : path) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
  FileOpResult r = FileOpFailed(EINVAL, what, shown);
  r.message = what + " " + shown + ": invalid name (holds a NUL byte)";
  return r;
}

std::string NearestExistingPath(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p = path.empty() ? fs::path(".") : fs::path(path);
  if (p.is_relative()) p = fs::current_path(ec) / p;
  p = p.lexically_normal();
  struct stat st;
  while (ActiveFsCalls().stat(p.c_str(), &st) != 0 && p.has_relative_path()) p = p.parent_path();
  return p.string();
}

namespace {

FileOpResult cancelledResult() {
  FileOpResult r;
  r.status = FileOpStatus::Cancelled;
  return r;
}

constexpr size_t kNameMax = 255;
constexpr size_t kChunk = size_t{4} << 20;

// A name no other file uses: hidden, marked as ours, and short enough for NAME_MAX even
// when the destination's own name is already at the limit (cut on a character boundary).
std::string tempNameFor(const std::string& dest) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix(kPartFileMarker);
  for (std::size_t i = 0; i < kPartFileRandomChars; ++i) suffix.push_back(kAlphabet[random() % 36]);
  std::string name = NameOfPath(dest);
  const size_t room = kNameMax - 1 - suffix.size();
  if (name.size() > room) {
    size_t cut = room;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    name.resize(cut);
  }
  const std::string folder = FolderOfPath(dest);
  return (folder == "/" ? std::string() : folder) + "/." + name + suffix;
}

bool rangeUnsupported(int err) {
  return err == EXDEV || err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EBADF ||
         err == EPERM || err == ETXTBSY;
}

// XXH3 of the bytes that pass through a verified copy; a copy that is not verified
// hashes nothing.
class CopyHash {
 public:
  explicit CopyHash(bool on) : state_(on ? XXH3_createState() : nullptr) {
    if (state_) XXH3_64bits_reset(state_);
  }
  ~CopyHash() {
    if (state_) XXH3_freeState(state_);
  }
  CopyHash(const CopyHash&) = delete;
  CopyHash& operator=(const CopyHash&) = delete;
  void add(const void* data, size_t size) {
    if (state_) XXH3_64bits_update(state_, data, size);
  }
  XXH64_hash_t digest() const { return state_ ? XXH3_64bits_digest(state_) : 0; }

 private:
  XXH3_state_t* state_;
};

// Verifying needs the copy on the medium: dirty pages cannot be dropped and read back.
// Writing the file's pages out and waiting for them is enough for that, without the
// journal commit of an fsync, which thousands of small files would each pay for; the run
// syncs the whole medium at its end. Answers 0 or the errno of the write-out.
int writeOut(int fd) {
  if (::sync_file_range(
          fd, 0, 0,
          SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER) == 0)
    return 0;
  return ActiveFsCalls().fsync(fd) == 0 ? 0 : errno;
}

// Reads the flushed copy at temp back from the medium (its pages dropped from the cache
// first, so the medium answers, not the memory) and compares it with what the source
// gave: its length and its XXH3. goOn gets the bytes read so far and may stop the read.
FileOpResult readBack(int out, const std::string& temp, const std::string& dest,
                      std::int64_t expectedBytes, XXH64_hash_t expected, std::vector<char>& buffer,
                      const std::function<bool(std::int64_t)>& goOn) {
  FsCalls& sys = ActiveFsCalls();
  ::posix_fadvise(out, 0, 0, POSIX_FADV_DONTNEED);
  const int fd = sys.open(temp.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return FileOpFailed(errno, "verify", dest);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  if (buffer.empty()) buffer.resize(kChunk);
  CopyHash hash(true);
  std::int64_t read = 0;
  for (;;) {
    const ssize_t n = sys.read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int err = errno;
      sys.close(fd);
      return FileOpFailed(err, "verify", dest);
    }
    if (n == 0) break;
    hash.add(buffer.data(), static_cast<size_t>(n));
    read += n;
    if (!goOn(read)) {
      sys.close(fd);
      return cancelledResult();
    }
  }
  sys.close(fd);
  if (read == expectedBytes && hash.digest() == expected) return {};
  FileOpResult r = FileOpFailed(EIO, "verify", dest);
  r.mismatch = true;
  r.message = "verify " + dest + ": the copy read back differs from the source";
  return r;
}

// Some drivers (the FUSE FAT driver) stamp a renamed file with the time of the rename; the
// copy's modification time is what tells a later run that the file is unchanged, so it is
// put back when it came out more than the 2 seconds FAT may round away.
void keepTimeAfterRename(const std::string& dest, const struct stat& source) {
  struct stat st;
  if (ActiveFsCalls().stat(dest.c_str(), &st) != 0 ||
      SameModificationTime(st.st_mtim, source.st_mtim))
    return;
  const struct timespec times[2] = {source.st_atim, source.st_mtim};
  ::utimensat(AT_FDCWD, dest.c_str(), times, 0);
}

}  // namespace

bool SameModificationTime(const struct timespec& a, const struct timespec& b) {
  const auto nanos = [](const struct timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
  };
  return std::llabs(nanos(a) - nanos(b)) <= std::int64_t{2000000000};
}

FileOpResult CopyFileWithProgress(const std::string& source, const std::string& dest,
                                  const CopyOptions& options) {
  FsCalls& sys = ActiveFsCalls();
  if (source.empty()) return FileOpFailed(EINVAL, "copy", "(no source)");
  if (dest.empty()) return FileOpFailed(EINVAL, "copy to", "(no destination)");
  if (HoldsNul(source)) return InvalidNameResult("copy", source);
  if (HoldsNul(dest)) return InvalidNameResult("copy to", dest);

  // O_NONBLOCK: a pipe posing as a song must not hang the run waiting for a writer.
  UniqueFd inFile(sys.open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0));
  if (!inFile) return FileOpFailed(errno, "open", source);
  const int in = inFile.get();
  struct stat st {};
  if (sys.fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return FileOpFailed(err, "copy", source);
  }
  struct stat existing;
  if (sys.stat(dest.c_str(), &existing) == 0) {
    const int err = S_ISDIR(existing.st_mode) ? EISDIR : options.replaceExisting ? 0 : EEXIST;
    if (err) return FileOpFailed(err, "copy to", dest);
  }

  // Every way out but the final rename removes the temporary file (the AtomicFile goes
  // before the source's handle).
  AtomicFile outFile;
  if (const int err = outFile.create([&] { return tempNameFor(dest); }, 0600, 100))
    return FileOpFailed(err, "create", outFile.tempPath());
  const int out = outFile.fd();
  // Held while the copy writes: a sweep for stale temporaries leaves this one alone.
  ::flock(out, LOCK_EX | LOCK_NB);
  auto abandon = [&](FileOpResult result) {
    outFile.discard();
    return result;
  };

  const std::int64_t total = st.st_size;
  // Reserving the space first makes a file of several chunks fail at once on a full medium
  // instead of after most of it. A file of one chunk fails as early without it, and there
  // the reservation is pure cost: the reserved blocks must be converted to written ones
  // when the data lands, a second metadata update per file that thousands of small files
  // pay for.
  if (total > static_cast<std::int64_t>(kChunk) && sys.fallocate(out, 0, total) != 0 &&
      errno == ENOSPC) {
    return abandon(FileOpFailed(ENOSPC, "write", dest));
  }
  // A verified copy reads its bytes twice: once as the source, once back from the medium.
  const std::int64_t work = options.verify ? 2 * total : total;
  auto goOn = [&](std::int64_t done) {
    if (options.cancel && options.cancel->load()) return false;
    return !options.progress || options.progress(work, done) == CopyAnswer::Continue;
  };
  if (!goOn(0)) return abandon(cancelledResult());

  // The kernel's copy never shows the bytes; a verified copy must see them to hash them.
  bool useRange = !options.verify;
  CopyHash sourceHash(options.verify);
  std::vector<char> buffer;
  std::int64_t done = 0;
  for (;;) {
    ssize_t n = 0;
    if (useRange) {
      n = sys.copyFileRange(in, nullptr, out, nullptr, kChunk);
      if (n < 0 && errno == EINTR) continue;
      // Both offsets stay where they were on failure, so plain reads can take over.
      if ((n < 0 && rangeUnsupported(errno)) || (n == 0 && done < total)) {
        useRange = false;
        continue;
      }
      if (n < 0) return abandon(FileOpFailed(errno, "write", dest));
    } else {
      if (buffer.empty()) buffer.resize(kChunk);
      n = sys.read(in, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return abandon(FileOpFailed(errno, "read", source));
      sourceHash.add(buffer.data(), static_cast<size_t>(n));
      for (ssize_t written = 0; written < n;) {
        const ssize_t w = sys.write(out, buffer.data() + written, size_t(n - written));
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return abandon(FileOpFailed(errno, "write", dest));
        written += w;
      }
    }
    if (n == 0) break;
    done += n;
    if (!goOn(done)) return abandon(cancelledResult());
  }

  // Permissions and times are kept where the medium can hold them; FAT cannot, and a
  // complete copy is not given up for that.
  ::fchmod(out, st.st_mode & 0777);
  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  ::futimens(out, times);
  if (options.flush) {
    if (const int err = outFile.flush()) return abandon(FileOpFailed(err, "flush", dest));
  } else if (options.verify) {
    if (const int err = writeOut(out)) return abandon(FileOpFailed(err, "flush", dest));
  }
  if (options.verify) {
    const FileOpResult checked =
        readBack(out, outFile.tempPath(), dest, done, sourceHash.digest(), buffer,
                 [&](std::int64_t read) { return goOn(done + read); });
    if (!checked.ok()) return abandon(checked);
  }
  if (const int err = outFile.close()) return abandon(FileOpFailed(err, "write", dest));
  // A cancel that came while the last chunk was written still discards the copy: nothing
  // is renamed into place after the caller asked to stop.
  if (options.cancel && options.cancel->load()) return abandon(cancelledResult());
  if (const int err = outFile.commit(dest, !options.replaceExisting))
    return abandon(FileOpFailed(err, "replace", dest));
  inFile.close();
  keepTimeAfterRename(dest, st);
  if (options.flush) SyncFolder(FolderOfPath(dest));
  return {};
}

FileOpResult MoveFileWithProgress(const std::string& source, const std::string& dest,
                                  const CopyOptions& options) {
  FsCalls& sys = ActiveFsCalls();
  if (source.empty()) return FileOpFailed(EINVAL, "move", "(no source)");
  if (dest.empty()) return FileOpFailed(EINVAL, "move to", "(no destination)");
  if (HoldsNul(source)) return InvalidNameResult("move", source);
  if (HoldsNul(dest)) return InvalidNameResult("move to", dest);
  struct stat st;
  if (sys.lstat(source.c_str(), &st) != 0) return FileOpFailed(errno, "move", source);
  if (sys.rename(source.c_str(), dest.c_str(), !options.replaceExisting) == 0) return {};
  if (errno != EXDEV) return FileOpFailed(errno, "move to", dest);
  if (S_ISDIR(st.st_mode)) return FileOpFailed(EXDEV, "move folder", source);

  CopyOptions copy = options;
  copy.flush = true;  // the only other copy is about to be deleted
  FileOpResult copied = CopyFileWithProgress(source, dest, copy);
  if (!copied.ok()) return copied;
  if (sys.unlink(source.c_str()) != 0) {
    FileOpResult r = FileOpFailed(errno, "delete the moved", source);
    r.message += " (the copy at " + dest + " is complete)";
    return r;
  }
  return {};
}

FileOpResult RemoveFile(const std::string& path) {
  if (HoldsNul(path)) return InvalidNameResult("delete", path);
  struct stat st;
  if (ActiveFsCalls().lstat(path.c_str(), &st) != 0) return FileOpFailed(errno, "delete", path);
  if (S_ISDIR(st.st_mode)) return FileOpFailed(EISDIR, "delete", path);
  if (ActiveFsCalls().unlink(path.c_str()) != 0) return FileOpFailed(errno, "delete", path);
  return {};
}

FileOpResult RemoveFolder(const std::string& path) {
  if (HoldsNul(path)) return InvalidNameResult("remove folder", path);
  if (ActiveFsCalls().rmdir(path.c_str()) != 0) return FileOpFailed(errno, "remove folder", path);
  return {};
}

FileOpResult CreateFolderTree(const std::string& path) {
  if (path.empty()) return FileOpFailed(ENOENT, "create folder", "(no path)");
  if (HoldsNul(path)) return InvalidNameResult("create folder", path);
  FsCalls& sys = ActiveFsCalls();
  // Every prefix ending before a '/' is a folder to have, then the whole path.
  std::vector<std::string> steps;
  for (size_t i = 1; i < path.size(); ++i) {
    if (path[i] == '/' && path[i - 1] != '/') steps.push_back(path.substr(0, i));
  }
  steps.push_back(path);
  for (const std::string& step : steps) {
    struct stat st;
    if (sys.stat(step.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return FileOpFailed(ENOTDIR, "create folder", step);
      continue;
    }
    if (sys.mkdir(step.c_str(), 0777) != 0 && errno != EEXIST) {
      return FileOpFailed(errno, "create folder", step);
    }
  }
  return {};
}

FileOpResult FlushFileSystem(const std::string& path) {
  if (HoldsNul(path)) return InvalidNameResult("flush", path);
  FsCalls& sys = ActiveFsCalls();
  const std::string target = NearestExistingPath(path);
  const UniqueFd fd(sys.open(target.c_str(), O_RDONLY | O_CLOEXEC, 0));
  if (!fd) return FileOpFailed(errno, "flush", target);
  if (sys.syncfs(fd.get()) != 0) return FileOpFailed(errno, "flush", target);
  return {};
}

FileOpResult FlushPath(const std::string& path) {
  if (HoldsNul(path)) return InvalidNameResult("flush", path);
  FsCalls& sys = ActiveFsCalls();
  const UniqueFd fd(sys.open(path.c_str(), O_RDONLY | O_CLOEXEC, 0));
  if (!fd) return FileOpFailed(errno, "flush", path);
  // Some file systems cannot fsync a folder and say EINVAL; nothing is pending there.
  if (sys.fsync(fd.get()) != 0 && errno != EINVAL) return FileOpFailed(errno, "flush", path);
  return {};
}
