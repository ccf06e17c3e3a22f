#include "fs/file_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "fs/path_text.h"
#include "fs/sys_calls.h"
#include "fs/unique_fd.h"

namespace {

FindRecord recordFromStat(std::string name, const struct stat& st, bool isLink) {
  FindRecord r;
  r.name = std::move(name);
  r.isFolder = S_ISDIR(st.st_mode);
  r.isLink = isLink;
  r.readOnly = (st.st_mode & S_IWUSR) == 0;
  r.hidden = !r.name.empty() && r.name[0] == '.';
  r.size = S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
  r.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  r.mode = st.st_mode;
  return r;
}

struct SubFolder {
  std::string name;
  bool isLink = false;
};

// One folder's listing, sorted: its matching files (with their records, when wanted) and
// every subfolder. Devices, pipes, sockets and dangling links are neither files nor folders
// for a music collection and are left out.
struct Listing {
  std::vector<FindRecord> files;
  std::vector<SubFolder> folders;
};

FindRecord nameOnly(const char* name, bool isLink) {
  FindRecord r;
  r.name = name;
  r.isLink = isLink;
  r.hidden = name[0] == '.';
  return r;
}

bool readFolder(const std::string& path, bool followLink, bool wantFiles, const std::string& mask,
                TreeDetail detail, Listing& out) {
  FsCalls& sys = ActiveFsCalls();
  const UniqueFd fd(sys.open(
      path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW), 0));
  if (!fd) return false;
  std::vector<FolderEntry> entries;
  // A listing broken off by an error keeps what it read, as readdir's end does.
  sys.listFolder(fd.get(), entries);
  for (const FolderEntry& e : entries) {
    const char* n = e.name.c_str();
    unsigned char type = e.type;
    struct stat st;
    bool haveStat = false;
    if (type == DT_UNKNOWN) {
      if (sys.fstatat(fd.get(), n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      haveStat = true;
      type = S_ISDIR(st.st_mode)   ? DT_DIR
             : S_ISREG(st.st_mode) ? DT_REG
             : S_ISLNK(st.st_mode) ? DT_LNK
                                   : DT_UNKNOWN;
    }
    if (type == DT_DIR) {
      out.folders.push_back({n, false});
    } else if (type == DT_REG) {
      if (!wantFiles || !MatchesMask(n, mask)) continue;
      if (detail == TreeDetail::Names) {
        out.files.push_back(nameOnly(n, false));
        continue;
      }
      if (!haveStat && sys.fstatat(fd.get(), n, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      out.files.push_back(recordFromStat(n, st, false));
    } else if (type == DT_LNK) {
      // Where the link points decides what it is; a dangling link is nothing.
      if (sys.fstatat(fd.get(), n, &st, 0) != 0) continue;
      if (S_ISDIR(st.st_mode)) {
        out.folders.push_back({n, true});
      } else if (S_ISREG(st.st_mode) && wantFiles && MatchesMask(n, mask)) {
        out.files.push_back(detail == TreeDetail::Names ? nameOnly(n, true)
                                                        : recordFromStat(n, st, true));
      }
    }
  }
  std::sort(out.files.begin(), out.files.end(),
            [](const FindRecord& a, const FindRecord& b) { return NameLess(a.name, b.name); });
  std::sort(out.folders.begin(), out.folders.end(),
            [](const SubFolder& a, const SubFolder& b) { return NameLess(a.name, b.name); });
  return true;
}

struct Walk {
  std::string root;
  std::string mask;
  const TreeFileCallback& onFile;
  const TreeFolderCallback& onFolder;
  bool recurse;
  TreeDetail detail;

  static std::string folderPath(const std::string& root, const std::string& rel) {
    std::string p = root + rel;
    return p.empty() ? std::string("/") : p;
  }

  // The files of rel, then its subfolders depth first; the listing is read and closed
  // before any callback runs, so depth costs no open folder handles.
  void folder(const std::string& rel, Listing& listing) {
    if (onFile) {
      for (const FindRecord& f : listing.files) onFile(rel + "/" + f.name, f);
    }
    std::vector<SubFolder> subs = std::move(listing.folders);
    listing = Listing();
    for (const SubFolder& sub : subs) {
      const std::string newRel = rel + "/" + sub.name;
      if (onFolder) onFolder(newRel, sub.name);
      // A linked folder is reported but not entered: a link back up would loop forever.
      if (!recurse || sub.isLink) continue;
      Listing inner;
      if (!readFolder(folderPath(root, newRel), false, bool(onFile), mask, detail, inner)) continue;
      folder(newRel, inner);
    }
  }
};

FindRecord& foundRecord() {
  static FindRecord record;
  return record;
}

}  // namespace

void EnumerateTree(const std::string& root, const std::string& mask, const TreeFileCallback& onFile,
                   bool reportRoot, bool recurse, const TreeFolderCallback& onFolder,
                   TreeDetail detail) {
  // The empty text names no folder; a text of separators only is the file-system root.
  if (root.empty()) return;
  Walk walk{StripTrailingSeparators(root, kSepBoth), mask, onFile, onFolder, recurse, detail};
  Listing listing;
  if (!readFolder(Walk::folderPath(walk.root, ""), true, bool(onFile), mask, detail, listing))
    return;
  if (onFolder) {
    if (reportRoot) {
      onFolder("/", "/");
    } else {
      onFolder("", "");
    }
  }
  walk.folder("", listing);
}

void ListFiles(std::vector<std::string>& list, const std::string& root, bool fullPaths,
               bool recurse, const std::string& mask) {
  list.clear();
  const std::string base = StripTrailingSeparators(root, kSepBoth);
  EnumerateTree(
      root, mask,
      [&](const std::string& rel, const FindRecord&) {
        list.push_back(fullPaths ? base + rel : StripLeadingSeparators(rel, kSepBoth));
      },
      true, recurse, nullptr, TreeDetail::Names);
}

void ListFolders(std::vector<std::string>& list, const std::string& root, bool fullPaths,
                 bool recurse) {
  list.clear();
  const std::string base = StripTrailingSeparators(root, kSepBoth);
  EnumerateTree(
      root, "*.*", nullptr, true, recurse,
      [&](const std::string& rel, const std::string&) {
        list.push_back(fullPaths ? base + rel : StripLeadingSeparators(rel, kSepBoth));
      },
      TreeDetail::Names);
}

bool FindFileInfo(const std::string& path) {
  FindRecord& found = foundRecord();
  found = FindRecord();
  if (path.empty() || HoldsNul(path)) return false;
  const std::string trimmed = StripTrailingSeparators(path, kSepSlash);
  const size_t slash = trimmed.rfind('/');
  const std::string name = slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);

  FsCalls& sys = ActiveFsCalls();
  struct stat st;
  if (sys.stat(path.c_str(), &st) == 0) {
    struct stat lst;
    const bool isLink = sys.lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode);
    found = recordFromStat(name.empty() ? "/" : name, st, isLink);
    return true;
  }
  if (sys.lstat(path.c_str(), &st) == 0) {  // a dangling link still occupies the name
    found = recordFromStat(name, st, true);
    return true;
  }
  if (name.find_first_of("*?") == std::string::npos) return false;

  const std::string folder = slash == std::string::npos ? std::string(".")
                             : slash == 0               ? std::string("/")
                                                        : trimmed.substr(0, slash);
  for (const std::string& n : SortedNames(folder)) {
    if (!MatchesMask(n, name)) continue;
    const std::string full = folder + "/" + n;
    if (sys.stat(full.c_str(), &st) == 0) {
      found = recordFromStat(n, st, false);
      return true;
    }
  }
  return false;
}

std::vector<std::string> SortedNames(const std::string& folder) {
  std::vector<std::string> names;
  if (HoldsNul(folder)) return names;
  FsCalls& sys = ActiveFsCalls();
  const UniqueFd fd(sys.open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
  if (!fd) return names;
  std::vector<FolderEntry> entries;
  sys.listFolder(fd.get(), entries);
  names.reserve(entries.size());
  for (FolderEntry& e : entries) names.push_back(std::move(e.name));
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NameLess(a, b); });
  return names;
}

bool AnythingAt(const std::string& path, struct stat* st) {
  struct stat local;
  return !path.empty() && !HoldsNul(path) &&
         ActiveFsCalls().lstat(path.c_str(), st ? st : &local) == 0;
}

bool IsFolderAt(const std::string& path) {
  struct stat st;
  return !path.empty() && !HoldsNul(path) && ActiveFsCalls().stat(path.c_str(), &st) == 0 &&
         S_ISDIR(st.st_mode);
}

bool SameFile(const std::string& a, const std::string& b) {
  FsCalls& sys = ActiveFsCalls();
  struct stat sa, sb;
  if (HoldsNul(a) || HoldsNul(b)) return false;
  if (sys.stat(a.c_str(), &sa) != 0 || sys.stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool NameTakenAt(const std::string& path) {
  struct stat st;
  return ActiveFsCalls().lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

const FindRecord& FoundFileRecord() {
  return foundRecord();
}

std::int64_t FoundFileSize() {
  return foundRecord().size;
}

std::int64_t GetFileSize64(const std::string& path) {
  return FindFileInfo(path) ? FoundFileSize() : 0;
}

namespace {

// The mount a folder lies on: its device and, where the kernel tells it, the mount's id,
// which tells a bind mount of the same file system apart.
struct MountOf {
  dev_t device = 0;
  std::uint64_t mountId = 0;
  bool operator==(const MountOf&) const = default;
};

bool mountOf(const std::string& path, MountOf& out, bool followLink = false) {
  struct statx sx;
  const int flags = followLink ? 0 : AT_SYMLINK_NOFOLLOW;
  if (::statx(AT_FDCWD, path.c_str(), flags, STATX_MNT_ID, &sx) != 0) return false;
  out.device = makedev(sx.stx_dev_major, sx.stx_dev_minor);
  out.mountId = (sx.stx_mask & STATX_MNT_ID) ? sx.stx_mnt_id : 0;
  return true;
}

void collectClearable(const std::string& dir, const MountOf& rootMount, ClearableTree& tree) {
  FsCalls& sys = ActiveFsCalls();
  const std::vector<std::string> names = SortedNames(dir);
  const std::string prefix = EnsureTrailingChar(dir, '/');
  std::vector<std::string> subfolders;
  for (const std::string& name : names) {
    struct stat st;
    const std::string full = prefix + name;
    if (sys.lstat(full.c_str(), &st) != 0) continue;
    if (!S_ISDIR(st.st_mode)) {
      tree.files.push_back(full);
      if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) tree.bytes += st.st_size;
      continue;
    }
    MountOf m;
    if (!mountOf(full, m) || !(m == rootMount))
      tree.mountPoints.push_back(full);
    else
      subfolders.push_back(full);
  }
  for (const std::string& sub : subfolders) {
    tree.folders.push_back(sub);
    collectClearable(sub, rootMount, tree);
  }
}

}  // namespace

ClearableTree CollectClearableTree(const std::string& root) {
  ClearableTree tree;
  MountOf rootMount;
  // The root may itself be a link to the folder to clear: its mount is the folder's.
  if (root.empty() || HoldsNul(root) || !mountOf(root, rootMount, true)) return tree;
  collectClearable(root, rootMount, tree);
  return tree;
}

std::int64_t GetDriveSpace(const std::string& path, bool total, bool addFolderSize) {
  namespace fs = std::filesystem;
  if (HoldsNul(path)) return 0;
  std::error_code ec;
  fs::path p = path.empty() ? fs::current_path(ec) : fs::path(path);
  if (ec) return 0;
  if (p.is_relative()) p = fs::current_path(ec) / p;
  if (ec) return 0;
  p = p.lexically_normal();
  // A destination is often created by the run itself: ask the volume it will land on.
  struct stat st;
  bool isAncestor = false;
  while (ActiveFsCalls().stat(p.c_str(), &st) != 0) {
    if (errno != ENOENT && errno != ENOTDIR) return 0;
    const fs::path parent = p.has_relative_path() ? p.parent_path() : p;
    if (parent == p || parent.empty()) return 0;
    p = parent;
    isAncestor = true;
  }
  // Beneath a file no folder can ever be made; that path has no volume to fill.
  if (isAncestor && !S_ISDIR(st.st_mode)) return 0;
  struct statvfs vfs;
  if (::statvfs(p.c_str(), &vfs) != 0) return 0;
  const auto unit = static_cast<std::int64_t>(vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize);
  if (total) return static_cast<std::int64_t>(vfs.f_blocks) * unit;
  std::int64_t bytes = static_cast<std::int64_t>(vfs.f_bavail) * unit;
  if (addFolderSize) bytes += CollectClearableTree(path).bytes;
  return bytes;
}

bool ClearReadOnly(const std::string& path) {
  struct stat st;
  if (HoldsNul(path) || ActiveFsCalls().lstat(path.c_str(), &st) != 0) return false;
  // chmod would reach through a link to its target, which may lie anywhere.
  if (S_ISLNK(st.st_mode) || (st.st_mode & S_IWUSR)) return false;
  return ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

std::string CanonicalPathText(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
  if (ec) p = std::filesystem::absolute(path, ec).lexically_normal();
  std::string s = p.string();
  if (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}
