#include "store/unreadable_file.h"

#include <filesystem>
#include <system_error>

#include "logs/log.h"

namespace fs = std::filesystem;

namespace {

bool somethingAt(const fs::path& p) {
  std::error_code ec;
  // A dangling symbolic link is still something a rename would replace.
  return fs::symlink_status(p, ec).type() != fs::file_type::not_found && !ec;
}

}  // namespace

std::string UnreadableNameFor(const std::string& path) {
  const std::string base = path + ".unreadable";
  if (!somethingAt(base)) return base;
  for (int n = 2;; ++n) {
    std::string candidate = base + "." + std::to_string(n);
    if (!somethingAt(candidate)) return candidate;
  }
}

std::string KeepUnreadableAside(const std::string& path, std::int32_t loadResult) {
  if (loadResult <= 0 || path.empty()) return std::string();
  std::error_code ec;
  const fs::file_status st = fs::symlink_status(path, ec);
  if (ec || st.type() == fs::file_type::not_found) return std::string();
  // A folder in the file's place is not ours to move; the save fails on it anyway.
  if (st.type() == fs::file_type::directory) return std::string();

  const std::string aside = UnreadableNameFor(path);
  fs::rename(path, aside, ec);
  if (ec) {
    ProgramLogWrite("Unreadable store file " + path + " (load error " + std::to_string(loadResult) +
                    ") could not be kept aside: " + ec.message());
    return std::string();
  }
  ProgramLogWrite("Unreadable store file " + path + " (load error " + std::to_string(loadResult) +
                  ") kept aside as " + aside);
  return aside;
}
