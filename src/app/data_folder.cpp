#include "app/data_folder.h"

#include <unistd.h>

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
  if (!in.exeFolder.empty() && in.exeFolderWritable) return StripTrailingSlashes(in.exeFolder);
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
    in.exeFolderWritable = ::access(in.exeFolder.c_str(), W_OK) == 0;
  }
  return in;
}

bool EnsureDataFolder(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  fs::create_directories(LogsFolderOf(folder), ec);
  return fs::is_directory(LogsFolderOf(folder), ec);
}
