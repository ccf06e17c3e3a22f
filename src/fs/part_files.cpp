#include "fs/part_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <vector>

#include "fs/file_ops_internal.h"
#include "fs/sys_calls.h"
#include "fs/unique_fd.h"
#include "logs/log.h"

namespace {

constexpr long kUnlockedMinAgeSeconds = 3600;

bool lowerOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

}  // namespace

bool IsPartFileName(std::string_view name) {
  const std::size_t tail = kPartFileMarker.size() + kPartFileRandomChars;
  // '.', at least one byte of name, marker, random characters.
  if (name.size() < 2 + tail || name.front() != '.') return false;
  const std::string_view end = name.substr(name.size() - tail);
  if (end.substr(0, kPartFileMarker.size()) != kPartFileMarker) return false;
  for (const char c : end.substr(kPartFileMarker.size()))
    if (!lowerOrDigit(c)) return false;
  return true;
}

int RemoveStalePartFiles(const std::string& folder, int minAgeSeconds) {
  FsCalls& sys = ActiveFsCalls();
  const UniqueFd dirFd(sys.open(folder.empty() ? "." : folder.c_str(),
                                O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK, 0));
  if (!dirFd) return 0;
  std::vector<FolderEntry> entries;
  sys.listFolder(dirFd.get(), entries);
  const std::time_t now = std::time(nullptr);
  int removed = 0;
  for (const FolderEntry& e : entries) {
    if (!IsPartFileName(e.name)) continue;
    // O_NOFOLLOW: a link of that name is not ours to judge; O_NONBLOCK: a FIFO of that
    // name must not stall the run.
    const UniqueFd fd(::openat(dirFd.get(), e.name.c_str(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd) continue;
    struct stat st {};
    bool stale = sys.fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode);
    if (stale) {
      const long age = static_cast<long>(now - st.st_mtime);
      if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
        stale = age >= minAgeSeconds;
      else if (errno == EWOULDBLOCK)
        stale = false;  // a copy is writing it now
      else
        stale = age >= kUnlockedMinAgeSeconds;  // no locks here: only the surely forgotten
    }
    // The name must still be the file judged (not replaced meanwhile) when it goes.
    struct stat again {};
    if (stale && sys.fstatat(dirFd.get(), e.name.c_str(), &again, AT_SYMLINK_NOFOLLOW) == 0 &&
        again.st_ino == st.st_ino && again.st_dev == st.st_dev &&
        ::unlinkat(dirFd.get(), e.name.c_str(), 0) == 0)
      ++removed;
  }
  return removed;
}

int PartFileSweep::beforeWritingTo(const std::string& destFile) {
  const std::string folder = FolderOfPath(destFile);
  if (!swept_.insert(folder).second) return 0;
  const int removed = RemoveStalePartFiles(folder);
  if (removed > 0)
    ProgramLogWrite("Removed " + std::to_string(removed) +
                    " temporary file(s) left by an interrupted copy in " + folder);
  return removed;
}
