#include "app/data_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string StripTrailingSlashes(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && (p.back() == '/' || p.back() == '\\')) p.pop_back();
  return p;
}

std::string LogsFolderOf(const std::string& folder) {
  if (folder.empty() || folder.back() == '/') return folder + "Logs";
  return folder + "/Logs";
}

std::string ChooseDataFolder(const DataFolderInputs& in) {
  if (!in.tavelHome.empty()) return StripTrailingSlashes(in.tavelHome);
  if (!in.exeFolder.empty() && in.exeFolderPortable) return StripTrailingSlashes(in.exeFolder);
  // Relative values of XDG_DATA_HOME are invalid by the base-directory rules and ignored.
  if (!in.xdgDataHome.empty() && in.xdgDataHome.front() == '/')
    return StripTrailingSlashes(in.xdgDataHome) + "/tavel";
  if (!in.home.empty()) {
    const std::string home = StripTrailingSlashes(in.home);
    return (home == "/" ? std::string() : home) + "/.local/share/tavel";
  }
  return std::string();
}

DataFolderInputs CurrentDataFolderInputs() {
  DataFolderInputs in;
  auto env = [](const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
  };
  in.tavelHome = env("TAVEL_HOME");
  in.xdgDataHome = env("XDG_DATA_HOME");
  in.home = env("HOME");
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    in.exeFolder = exe.parent_path().string();
    // Installs that kept their data beside the program go on doing so.
    in.exeFolderPortable = fs::exists(fs::path(in.exeFolder) / kPortableMarker, ec) ||
                           fs::exists(fs::path(in.exeFolder) / "conf5.kro", ec);
  }
  return in;
}

namespace {

DataFolderState problemOf(int error) {
  DataFolderState s;
  s.error = error;
  switch (error) {
    case ENOTDIR:
    case EEXIST:
      s.problem = DataFolderProblem::NotAFolder;
      break;
    case EACCES:
    case EPERM:
      s.problem = DataFolderProblem::NoPermission;
      break;
    case EROFS:
      s.problem = DataFolderProblem::ReadOnly;
      break;
    default:
      s.problem = DataFolderProblem::Other;
  }
  return s;
}

// Creates `folder` (and its parents) when missing, then makes and removes a probe file
// in it.
DataFolderState makeWritableFolder(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return problemOf(ec.value());
  if (!fs::is_directory(folder, ec)) return problemOf(ENOTDIR);
  const std::string probe = folder + "/.tavel-probe-" + std::to_string(::getpid());
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) return problemOf(errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return {};
}

}  // namespace

DataFolderState PrepareDataFolder(const std::string& folder) {
  if (folder.empty()) return {DataFolderProblem::NoFolder, 0};
  const DataFolderState s = makeWritableFolder(folder);
  if (!s.usable()) return s;
  return makeWritableFolder(LogsFolderOf(folder));
}

bool EnsureDataFolder(const std::string& folder) {
  return PrepareDataFolder(folder).usable();
}
