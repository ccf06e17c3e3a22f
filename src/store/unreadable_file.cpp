#include "store/unreadable_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "fs/file_tree.h"
#include "fs/sys_calls.h"
#include "logs/log.h"

std::string UnreadableNameFor(const std::string& path) {
  // A dangling symbolic link is still something a rename would replace.
  const std::string base = path + ".unreadable";
  if (!AnythingAt(base)) return base;
  for (int n = 2;; ++n) {
    std::string candidate = base + "." + std::to_string(n);
    if (!AnythingAt(candidate)) return candidate;
  }
}

std::string KeepUnreadableAside(const std::string& path, std::int32_t loadResult) {
  if (loadResult <= 0 || path.empty()) return std::string();
  struct stat st;
  if (!AnythingAt(path, &st)) return std::string();
  // A folder in the file's place is not ours to move; the save fails on it anyway.
  if (S_ISDIR(st.st_mode)) return std::string();

  const std::string aside = UnreadableNameFor(path);
  if (ActiveFsCalls().rename(path.c_str(), aside.c_str(), false) != 0) {
    const int err = errno;
    ProgramLogWrite("Unreadable store file " + path + " (load error " + std::to_string(loadResult) +
                    ") could not be kept aside: " + std::strerror(err));
    return std::string();
  }
  ProgramLogWrite("Unreadable store file " + path + " (load error " + std::to_string(loadResult) +
                  ") kept aside as " + aside);
  return aside;
}
