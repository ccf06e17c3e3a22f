#pragma once
// A file replaced whole or not at all: the new bytes go to a fresh temporary beside the
// target, which takes the target's place by rename only once it is complete (and, where
// the caller flushes, on the disk). Until then the target stays as it was; a temporary
// not committed is removed when the AtomicFile goes. Every call goes through the active
// FsCalls. The routines answer 0 or the errno of the call that failed.
#include <sys/types.h>

#include <functional>
#include <string>

#include "fs/unique_fd.h"

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { discard(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary (O_EXCL, mode perm): nextName gives the path to try, and is
  // asked again while the name is taken, tries times at the most. tempPath() is the name
  // tried last, also when none could be created.
  int create(const std::function<std::string()>& nextName, mode_t perm, int tries = 1);
  int fd() const { return fd_.get(); }
  const std::string& tempPath() const { return temp_; }

  // Writes all of size bytes; a write that takes nothing fails with EIO.
  int writeAll(const void* data, std::size_t size);
  // fsync of the temporary.
  int flush();
  // Closes the temporary (a write error may show only here); it stays for commit.
  int close();
  // Renames the temporary over target; with noReplace an existing target fails the rename
  // with EEXIST. After it the temporary is the target and discard leaves it alone.
  int commit(const std::string& target, bool noReplace = false);
  // Closes the temporary if open and removes it; nothing after commit.
  void discard();

 private:
  UniqueFd fd_;
  std::string temp_;
  bool ours_ = false;  // the temporary exists and is not committed: discard removes it
};

// fsync of a folder, so that a rename in it outlives a power cut. A folder that cannot be
// opened or flushed is let be: some file systems cannot, and nothing is pending there.
void SyncFolder(const std::string& folder);
