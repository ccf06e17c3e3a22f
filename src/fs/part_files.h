#pragma once
// The hidden temporaries a copy writes before it renames the finished file into place
// (".<name>.tavel-part-<6 letters or digits>", made by CopyFileWithProgress). A copy that
// was interrupted (a pulled stick, a killed program, a power cut) leaves one behind, and it
// may take most of a song's size on a small medium. A run sweeps each destination folder
// once before it writes there.
#include <string>
#include <string_view>
#include <unordered_set>

// The marker in every such name and the number of random characters after it.
inline constexpr std::string_view kPartFileMarker = ".tavel-part-";
inline constexpr std::size_t kPartFileRandomChars = 6;

// True for exactly the names of those temporaries: a leading '.', a name of at least one
// byte, the marker, then six characters of a-z and 0-9, and nothing after them.
bool IsPartFileName(std::string_view name);

// Removes the temporaries of that pattern in `folder` (not below it) that no copy is
// writing any more: regular files only (never a link, a folder or anything else), not
// locked by a copy in progress (a copy holds a lock on its temporary while it writes) and
// last written at least `minAgeSeconds` ago. Where the file system has no locks, only
// temporaries untouched for an hour go. Returns how many were removed; a folder that does
// not exist or cannot be read gives 0.
int RemoveStalePartFiles(const std::string& folder, int minAgeSeconds = 5);

// One run's sweep: the folder of each destination file is swept once, before the first
// file is written there.
class PartFileSweep {
 public:
  // Sweeps the folder of `destFile` unless this sweep has done so already; returns how
  // many temporaries went.
  int beforeWritingTo(const std::string& destFile);

 private:
  std::unordered_set<std::string> swept_;
};
