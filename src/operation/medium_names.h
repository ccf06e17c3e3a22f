#pragma once
// Names the destination medium accepts. On FAT, exFAT and NTFS a name may not hold the
// nine characters '"*/:<>?\|' or control characters, may not end in a dot or a space, may
// not be a device name (CON, NUL, COM1 ...) and holds at most 255 UTF-16 units; text that
// is not UTF-8 is taken as Windows-1251 (as tags are) and written as UTF-8. On Linux file
// systems every name is kept as the renaming rules leave it.
//
// Also here: what "one name" means on a medium that ignores letter case, and the record
// of the files a run has written, which a later entry of the same run must never replace.
#include <sys/types.h>

#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "fs/medium_profile.h"

struct OperationParameters;

// Whether the component, without its extensions, is a device name of Windows (CON, PRN,
// AUX, NUL, COM1-COM9, LPT1-LPT9, in any letter case): "con.mp3" and "Lpt1" are.
bool IsReservedDeviceName(std::string_view component);

// UTF-16 units the UTF-8 text takes (a character above U+FFFF takes two; a byte that
// starts no character counts one).
std::size_t Utf16Units(std::string_view utf8);

// The character the nine refused characters become on a Windows medium: the renaming
// rule's choice when renaming is on and a rule is chosen ('\0' for "removed"), else '_'.
char MediumReplacement(const OperationParameters& params);

// One folder or file name made acceptable to the medium (unchanged on a Linux medium).
// A file name keeps its extension when it is cut to the medium's length. Never empty
// for a non-empty input on a Windows medium: a name left with nothing becomes "_".
std::string MediumComponent(std::string_view component, const MediumProfile& medium,
                            char replacement, bool isFile);

// Every '/'-separated component of a path below the root made acceptable; the last one
// is the file name.
std::string MediumRelativePath(std::string_view relative, const MediumProfile& medium,
                               char replacement);

// The text with letters folded to one case, for comparing names on a medium that ignores
// case: ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic letters.
std::string FoldCase(std::string_view utf8);

// The files one run has written: by identity (device and inode) and by path, the path
// folded to one case where the medium ignores case. A path counts as written when either
// matches, so neither another spelling of the name nor a second path to the same file
// lets a later entry replace it.
class WrittenFiles {
 public:
  void reset(bool ignoresCase);
  void add(const std::string& path);
  bool contains(const std::string& path) const;
  bool empty() const { return paths_.empty(); }

 private:
  std::string key(const std::string& path) const;
  bool ignoresCase_ = false;
  std::set<std::pair<dev_t, ino_t>> ids_;
  std::unordered_set<std::string> paths_;
};
