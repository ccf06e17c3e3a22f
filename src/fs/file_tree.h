#pragma once
// Tree enumeration, lookups, sizes, volume space and the read-only attribute. Paths are
// UTF-8; the program joins with '/', and relative paths handed to callbacks start with
// '/' ("/a.mp3", "/sub/a.mp3"). Listings are sorted by NameLess; symbolic links to folders
// are reported as folders but never descended into. Nothing here raises for a missing
// file or folder: lookups answer false or 0 and enumeration of a missing folder reports
// nothing.
#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What a lookup or the enumeration found about one directory entry. Sizes are bytes; a
// symbolic link to a file describes the file it points to.
struct FindRecord {
  std::string name;  // the entry's own name, without its folder
  bool isFolder = false;
  bool isLink = false;          // the entry itself is a symbolic link
  bool readOnly = false;        // no owner write permission
  bool hidden = false;          // the name starts with '.'
  std::int64_t size = 0;        // 0 for folders
  std::int64_t modifiedNs = 0;  // modification time, nanoseconds since 1970-01-01 UTC
  std::uint32_t mode = 0;       // permission bits and file type as stat gives them
};

// rel: "/"-prefixed path below the root; record: the file's size, attributes and time.
using TreeFileCallback = std::function<void(const std::string& rel, const FindRecord& record)>;
// rel and name of a folder; the root comes as ("/", "/") with reportRoot, else ("", "").
using TreeFolderCallback = std::function<void(const std::string& rel, const std::string& name)>;

// How much a file record of the enumeration holds. Names is what a listing alone gives:
// name, hidden and isLink, with size, time and mode left 0. Full asks the file system for
// each file as well, which costs most of the time of a large scan.
enum class TreeDetail { Full, Names };

// Walks root (its trailing '/' and '\' dropped): the folder callback for the root, then
// the root's files matching mask, then each subfolder (every name, whatever the mask):
// folder callback, and with recurse its files and its own subfolders, depth first.
// Without recurse only the root's files and direct subfolders are reported. Either
// callback may be empty.
void EnumerateTree(const std::string& root, const std::string& mask, const TreeFileCallback& onFile,
                   bool reportRoot, bool recurse, const TreeFolderCallback& onFolder,
                   TreeDetail detail = TreeDetail::Full);

// Fills list with the files below root (cleared first): root + rel with fullPaths,
// otherwise rel without its leading separator.
void ListFiles(std::vector<std::string>& list, const std::string& root, bool fullPaths,
               bool recurse, const std::string& mask);

// Fills list with root and the folders below it, each before its own subfolders: the root
// comes first as root + "/" with fullPaths, otherwise as the empty text.
void ListFolders(std::vector<std::string>& list, const std::string& root, bool fullPaths,
                 bool recurse);

// Whether anything (file or folder) is found at path; the last component may hold '*'
// and '?' (the first match in listing order counts). Keeps the record of what it found,
// overwritten by every call (an empty record when nothing matched).
bool FindFileInfo(const std::string& path);
// The record and the size kept by the last FindFileInfo.
const FindRecord& FoundFileRecord();
std::int64_t FoundFileSize();

// Lookups by the exact path: '*' and '?' are ordinary name characters here, so a lookup
// never matches another file by pattern. A path that is empty or holds a NUL byte names
// nothing (the system would see it cut short).
// Whether anything stands at path itself: a file, a folder, a link (a dangling one too).
// st, when given, receives what lstat says of it.
bool AnythingAt(const std::string& path, struct stat* st = nullptr);
// Whether path is a folder or a link to one.
bool IsFolderAt(const std::string& path);
// Whether a and b are one file (device and inode, links followed).
bool SameFile(const std::string& a, const std::string& b);
// Whether a new file could not take this name: anything stands there, or the lookup fails
// for another reason than "no such entry".
bool NameTakenAt(const std::string& path);
// The names in folder but "." and "..", sorted by NameLess; none when it cannot be read.
std::vector<std::string> SortedNames(const std::string& folder);
// `path` made absolute with the symbolic links of its existing part resolved; the part that
// does not exist yet (a folder a run will create) is kept as written. No trailing '/'.
std::string CanonicalPathText(const std::string& path);

// Size of the file at path, 0 when nothing is found (a folder gives 0 too).
std::int64_t GetFileSize64(const std::string& path);

// What clearing a folder deletes: everything below root that lies on root's own mount, in
// deletion order: the files of a folder (symbolic links, whatever they point to, and other
// non-folders included) before its subfolders, subfolders depth first, each listing
// sorted by NameLess. A folder on another file system or another mount (a bind mount of
// the same file system too) is listed in mountPoints and neither it nor anything below it
// in files or folders. bytes sums what the files take as themselves: a link counts its
// own size, never its target's.
struct ClearableTree {
  std::vector<std::string> files;
  std::vector<std::string> folders;  // below root, parents before children
  std::vector<std::string> mountPoints;
  std::int64_t bytes = 0;
};
ClearableTree CollectClearableTree(const std::string& root);

// Bytes of the volume holding path, or of its nearest existing ancestor when path does not
// exist yet (the empty path means the current folder): total with total set, else the
// bytes available to this user, plus, with addFolderSize and not total, what clearing path
// would free (CollectClearableTree's bytes). 0 when the volume cannot be asked or the nearest
// existing ancestor is not a folder.
std::int64_t GetDriveSpace(const std::string& path, bool total, bool addFolderSize);

// Gives the owner write permission back to path when it lacks it; returns whether it was
// read-only (and so was changed). Acts on the entry itself: a symbolic link is left as it
// is and its target never changed. False for a missing path or one holding a NUL byte.
bool ClearReadOnly(const std::string& path);
