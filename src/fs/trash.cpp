// The desktop's trash (the freedesktop.org Trash layout): the trashed file goes to
// <trash>/files/<name> and <trash>/info/<name>.trashinfo says where it came from and when,
// so the file manager can put it back.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <unordered_map>

#include "fs/file_ops.h"
#include "fs/file_ops_internal.h"
#include "fs/path_text.h"
#include "fs/sys_calls.h"
#include "fs/unique_fd.h"

namespace {

std::string homeTrash() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::string(data) + "/Trash";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/share/Trash";
  return {};
}

// Bytes that may stand as they are in the Path= line; all others are written as %XX.
std::string percentEncode(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
    if (plain) {
      out.push_back(static_cast<char>(c));
    } else {
      out.push_back('%');
      out.push_back(kHex[c >> 4]);
      out.push_back(kHex[c & 15]);
    }
  }
  return out;
}

int makeFolder(const std::string& path) {
  // Looked at first: the folders are there for every file but the first, and a mkdir that
  // fails costs a busy disk far more than a look.
  struct stat st;
  if (ActiveFsCalls().lstat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return errno;
    if (ActiveFsCalls().mkdir(path.c_str(), 0700) == 0) return 0;
    if (errno != EEXIST) return errno;
    if (ActiveFsCalls().lstat(path.c_str(), &st) != 0) return errno;
  }
  // Someone else's link in place of a trash folder would send our files elsewhere.
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int makeFolderTree(const std::string& path) {
  std::string step;
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      step = path.substr(0, i);
      struct stat st;
      if (ActiveFsCalls().stat(step.c_str(), &st) == 0) continue;
      if (const int err = makeFolder(step)) return err;
    }
  }
  return 0;
}

// The top folder of the volume that holds path: the highest ancestor on the same device.
std::string volumeTop(const std::string& path, dev_t device) {
  std::string top = path;
  for (;;) {
    const std::string parent = FolderOfPath(top);
    struct stat st;
    if (parent == top || ActiveFsCalls().stat(parent.c_str(), &st) != 0 || st.st_dev != device)
      return top;
    top = parent;
  }
}

// The trash on the file's own volume: $top/.Trash/$uid when the administrator made a
// shared, sticky, real .Trash folder, otherwise $top/.Trash-$uid.
std::string volumeTrash(const std::string& top, int& error) {
  const std::string uid = std::to_string(::getuid());
  const std::string base = top == "/" ? "" : top;
  struct stat st;
  const std::string shared = base + "/.Trash";
  if (ActiveFsCalls().lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
      (st.st_mode & S_ISVTX)) {
    const std::string mine = shared + "/" + uid;
    if (makeFolder(mine) == 0) return mine;
  }
  const std::string own = base + "/.Trash-" + uid;
  error = makeFolder(own);
  return error ? std::string() : own;
}

std::string deletionDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

// The longest name in the trash: its info file adds ".trashinfo" and must still be a
// valid file name.
constexpr std::size_t kTrashNameMax = NAME_MAX - (sizeof ".trashinfo" - 1);
// Numbers tried for one file before it takes a suffix that cannot be taken already.
constexpr int kNumbersPerFile = 1000;

// The first bytes of name that fit in room bytes, not cutting a UTF-8 character in two.
std::string fitName(const std::string& name, std::size_t room) {
  if (name.size() <= room) return name;
  std::size_t end = room;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return name.substr(0, end);
}

// The last number given to each name in each trash during this run, so that many files of
// one name go to the trash in linear time: the next one starts after the last instead of
// trying every number from 2 again.
class LastNumbers {
 public:
  long long get(const std::string& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = last_.find(key);
    return it == last_.end() ? 1 : it->second;
  }
  void put(const std::string& key, long long number) {
    std::lock_guard<std::mutex> lock(mutex_);
    long long& last = last_[key];
    last = std::max(last, number);
  }

 private:
  std::mutex mutex_;
  std::unordered_map<std::string, long long> last_;
};

LastNumbers& lastNumbers() {
  static LastNumbers numbers;
  return numbers;
}

// The names one file may take in a trash, in the order they are tried: the file's own name,
// then name.2, name.3, ... after the last number this run gave that name, and when
// kNumbersPerFile of those are taken, name.<process>-<time>-<count>, which nothing else
// makes; an empty name when even those are all taken. Names too long for the trash are shortened
// before the suffix; the info file keeps the whole original path, so the file comes back under its
// own name.
class TrashNamer {
 public:
  TrashNamer(const std::string& trash, const std::string& name)
      : key_(trash + '\0' + name), name_(name) {}
  ~TrashNamer() {
    if (number_ > 1) lastNumbers().put(key_, number_);
  }

  std::string next() {
    if (tries_++ == 0) return fitName(name_, kTrashNameMax);
    if (number_ == 0) number_ = lastNumbers().get(key_);
    if (tries_ <= kNumbersPerFile + 1) return suffixed("." + std::to_string(++number_));
    // Only a trash that claims every name is taken comes this far: give up rather than spin.
    if (tries_ > kNumbersPerFile + 100) return std::string();
    static std::atomic<unsigned long long> count{0};
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return suffixed(
        "." + std::to_string(::getpid()) + "-" +
        std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) + "-" +
        std::to_string(++count));
  }

 private:
  std::string suffixed(const std::string& suffix) const {
    return fitName(name_, kTrashNameMax - suffix.size()) + suffix;
  }

  std::string key_, name_;
  long long number_ = 0;
  int tries_ = 0;
};

}  // namespace

FileOpResult DeleteToRecycleBin(const std::string& path) {
  namespace fs = std::filesystem;
  if (path.empty()) return FileOpFailed(ENOENT, "move to trash", "(no path)");
  if (HoldsNul(path)) return InvalidNameResult("move to trash", path);
  std::error_code ec;
  fs::path absolute = fs::path(path);
  if (absolute.is_relative()) absolute = fs::current_path(ec) / absolute;
  std::string source = absolute.lexically_normal().string();
  while (source.size() > 1 && source.back() == '/') source.pop_back();

  struct stat st;
  if (ActiveFsCalls().lstat(source.c_str(), &st) != 0)
    return FileOpFailed(errno, "move to trash", path);

  std::string trash = homeTrash();
  std::string infoPath = source;
  struct stat home;
  const bool sameVolume = !trash.empty() &&
                          ActiveFsCalls().stat(NearestExistingPath(trash).c_str(), &home) == 0 &&
                          home.st_dev == st.st_dev;
  if (sameVolume) {
    if (const int err = makeFolderTree(trash)) return FileOpFailed(err, "create trash", trash);
  } else {
    // Another volume: its own trash, so that trashing never copies across devices.
    const std::string top = volumeTop(source, st.st_dev);
    int err = 0;
    trash = volumeTrash(top, err);
    if (trash.empty()) return FileOpFailed(err, "create trash on the volume of", path);
    infoPath = top == "/" ? source.substr(1) : source.substr(top.size() + 1);
  }
  const std::string files = trash + "/files";
  const std::string info = trash + "/info";
  if (const int err = makeFolder(files)) return FileOpFailed(err, "create trash", files);
  if (const int err = makeFolder(info)) return FileOpFailed(err, "create trash", info);

  FsCalls& sys = ActiveFsCalls();
  const std::string name = NameOfPath(source);
  const std::string text =
      "[Trash Info]\nPath=" + percentEncode(infoPath) + "\nDeletionDate=" + deletionDate() + "\n";
  // The info file is made first and exclusively: it reserves the name in the trash.
  TrashNamer namer(trash, name);
  for (;;) {
    const std::string trashName = namer.next();
    if (trashName.empty()) return FileOpFailed(EEXIST, "move to trash", path);
    const std::string infoFile = info + "/" + trashName + ".trashinfo";
    const std::string target = files + "/" + trashName;
    struct stat taken;
    if (ActiveFsCalls().lstat(target.c_str(), &taken) == 0) continue;
    UniqueFd fd(sys.open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd) {
      if (errno == EEXIST) continue;
      return FileOpFailed(errno, "write trash info", infoFile);
    }
    const ssize_t written = sys.write(fd.get(), text.data(), text.size());
    const int writeErr = written < 0 ? errno : EIO;
    if (fd.close() != 0 || written != static_cast<ssize_t>(text.size())) {
      sys.unlink(infoFile.c_str());
      return FileOpFailed(writeErr, "write trash info", infoFile);
    }
    if (sys.rename(source.c_str(), target.c_str(), true) != 0) {
      const int err = errno;
      sys.unlink(infoFile.c_str());
      if (err == EEXIST) continue;
      return FileOpFailed(err, "move to trash", path);
    }
    return {};
  }
}
