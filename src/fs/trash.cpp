// The desktop's trash (the freedesktop.org Trash layout): the trashed file goes to
// <trash>/files/<name> and <trash>/info/<name>.trashinfo says where it came from and when,
// so the file manager can put it back.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "fs/file_ops.h"
#include "fs/file_ops_internal.h"
#include "fs/path_text.h"
#include "fs/sys_calls.h"

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
  if (ActiveFsCalls().mkdir(path.c_str(), 0700) == 0) return 0;
  if (errno != EEXIST) return errno;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return errno;
  // Someone else's link in place of a trash folder would send our files elsewhere.
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int makeFolderTree(const std::string& path) {
  std::string step;
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      step = path.substr(0, i);
      struct stat st;
      if (::stat(step.c_str(), &st) == 0) continue;
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
    if (parent == top || ::stat(parent.c_str(), &st) != 0 || st.st_dev != device) return top;
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
  if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
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
  if (::lstat(source.c_str(), &st) != 0) return FileOpFailed(errno, "move to trash", path);

  std::string trash = homeTrash();
  std::string infoPath = source;
  struct stat home;
  const bool sameVolume = !trash.empty() &&
                          ::stat(NearestExistingPath(trash).c_str(), &home) == 0 &&
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
  for (int n = 1; n < 10000; ++n) {
    const std::string trashName = n == 1 ? name : name + "." + std::to_string(n);
    const std::string infoFile = info + "/" + trashName + ".trashinfo";
    const std::string target = files + "/" + trashName;
    struct stat taken;
    if (::lstat(target.c_str(), &taken) == 0) continue;
    const int fd = sys.open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return FileOpFailed(errno, "write trash info", infoFile);
    }
    const ssize_t written = sys.write(fd, text.data(), text.size());
    const int writeErr = written < 0 ? errno : EIO;
    if (sys.close(fd) != 0 || written != static_cast<ssize_t>(text.size())) {
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
  return FileOpFailed(EEXIST, "move to trash", path);
}
