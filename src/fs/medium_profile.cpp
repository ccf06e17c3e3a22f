#include "fs/medium_profile.h"

#include <blkid/blkid.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fs/file_ops_internal.h"
#include "fs/sys_calls.h"
#include "fs/unique_fd.h"

namespace {

const std::int64_t kFatMaxFile = 4294967295LL;  // 4 GiB - 1

enum class Family { Fat, ExFat, Ntfs, Linux, Unknown };

Family familyOf(const std::string& type) {
  static const char* const kFat[] = {"vfat", "msdos", "fat", "umsdos", "fuse.fusefat"};
  static const char* const kExFat[] = {"exfat", "fuse.exfat", "fuse.exfat-fuse"};
  static const char* const kNtfs[] = {"ntfs", "ntfs3", "fuse.ntfs-3g", "fuse.ntfs", "ntfs-3g"};
  static const char* const kLinux[] = {"ext2",  "ext3",    "ext4",     "xfs",     "btrfs",
                                       "f2fs",  "jfs",     "reiserfs", "zfs",     "nilfs2",
                                       "tmpfs", "overlay", "ramfs",    "bcachefs"};
  for (const char* t : kFat)
    if (type == t) return Family::Fat;
  for (const char* t : kExFat)
    if (type == t) return Family::ExFat;
  for (const char* t : kNtfs)
    if (type == t) return Family::Ntfs;
  for (const char* t : kLinux)
    if (type == t) return Family::Linux;
  return Family::Unknown;
}

std::string unescapeMountText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '3' && s[i + 2] >= '0' &&
        s[i + 2] <= '7' && s[i + 3] >= '0' && s[i + 3] <= '7') {
      out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

bool isPrefixFolder(const std::string& folder, const std::string& path) {
  if (folder == "/") return !path.empty() && path[0] == '/';
  return path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

// The nearest existing ancestor of path (path itself when it exists), as a real path: the
// mount table names mount points by their real paths.
std::string nearestExisting(const std::string& path) {
  const std::string existing = NearestExistingPath(path);
  char buf[PATH_MAX];
  return ::realpath(existing.c_str(), buf) ? std::string(buf) : existing;
}

std::string udevFsType(unsigned major, unsigned minor) {
  std::ifstream in("/run/udev/data/b" + std::to_string(major) + ":" + std::to_string(minor));
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("E:ID_FS_TYPE=", 0) == 0) return line.substr(13);
  return std::string();
}

}  // namespace

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  std::vector<MountEntry> out;
  std::istringstream in{std::string(text)};
  std::string line;
  while (std::getline(in, line)) {
    // id parent major:minor root mount-point options [optional...] - type source super
    std::istringstream f(line);
    std::string id, parent, devno, root, point, options, word;
    if (!(f >> id >> parent >> devno >> root >> point >> options)) continue;
    while (f >> word && word != "-") {
    }
    MountEntry e;
    if (word != "-" || !(f >> e.fsType)) continue;
    f >> e.source;
    const std::size_t colon = devno.find(':');
    if (colon == std::string::npos) continue;
    e.major = static_cast<unsigned>(std::strtoul(devno.c_str(), nullptr, 10));
    e.minor = static_cast<unsigned>(std::strtoul(devno.c_str() + colon + 1, nullptr, 10));
    e.mountPoint = unescapeMountText(point);
    e.source = unescapeMountText(e.source);
    out.push_back(std::move(e));
  }
  return out;
}

const MountEntry* MountFor(const std::vector<MountEntry>& mounts, const std::string& realPath,
                           unsigned major, unsigned minor) {
  const MountEntry* best = nullptr;
  for (const MountEntry& m : mounts) {
    if (m.major != major || m.minor != minor || !isPrefixFolder(m.mountPoint, realPath)) continue;
    if (!best || m.mountPoint.size() >= best->mountPoint.size()) best = &m;
  }
  return best;
}

MediumProfile ProfileForType(const std::string& fsType, bool& known) {
  MediumProfile p;
  p.fsType = fsType;
  known = true;
  switch (familyOf(fsType)) {
    case Family::Fat:
      p.maxFileSize = kFatMaxFile;
      [[fallthrough]];
    case Family::ExFat:
      p.windowsNames = true;
      p.ignoresCase = true;
      p.limitInUtf16 = true;
      break;
    case Family::Ntfs:
      // The Windows names hold; whether the Linux driver folds case depends on the driver
      // and its options, so the probe tells.
      p.windowsNames = true;
      p.limitInUtf16 = true;
      known = false;
      break;
    case Family::Linux:
      break;
    case Family::Unknown:
      known = false;
      break;
  }
  return p;
}

std::string BlockDeviceType(const std::string& device, unsigned major, unsigned minor) {
  std::string type;
  if (device.rfind("/dev/", 0) == 0) {
    if (blkid_probe pr = blkid_new_probe_from_filename(device.c_str())) {
      blkid_probe_enable_superblocks(pr, 1);
      blkid_probe_set_superblocks_flags(pr, BLKID_SUBLKS_TYPE);
      const char* value = nullptr;
      if (blkid_do_safeprobe(pr) == 0 &&
          blkid_probe_lookup_value(pr, "TYPE", &value, nullptr) == 0 && value)
        type = value;
      blkid_free_probe(pr);
    }
  }
  // A desktop user may not read the raw device; udev has read its signature already.
  if (type.empty() && major != 0) type = udevFsType(major, minor);
  return type;
}

bool ProbeIgnoresCase(const std::string& folder) {
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  const std::string name = ".tavel-case-probe-" + std::to_string(::getpid());
  const std::string lower = base + name;
  std::string upper = lower;
  for (std::size_t i = base.size(); i < upper.size(); ++i)
    upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(upper[i])));
  if (!UniqueFd(ActiveFsCalls().open(lower.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600)))
    return false;
  struct stat a, b;
  const bool same = ActiveFsCalls().lstat(upper.c_str(), &b) == 0 &&
                    ActiveFsCalls().lstat(lower.c_str(), &a) == 0 && a.st_dev == b.st_dev &&
                    a.st_ino == b.st_ino;
  ::unlink(lower.c_str());
  return same;
}

std::int64_t DeviceOf(const std::string& path) {
  struct stat st;
  if (path.empty() || ActiveFsCalls().stat(path.c_str(), &st) != 0) return -1;
  return static_cast<std::int64_t>(st.st_dev);
}

MediumProfile ProbeMedium(const std::string& path) {
  const std::string real = nearestExisting(path);
  struct stat st;
  if (ActiveFsCalls().stat(real.c_str(), &st) != 0) return MediumProfile{};
  const unsigned major = ::major(st.st_dev), minor = ::minor(st.st_dev);
  std::string table;
  {
    std::ifstream in("/proc/self/mountinfo");
    std::ostringstream all;
    all << in.rdbuf();
    table = all.str();
  }
  const std::vector<MountEntry> mounts = ParseMountInfo(table);
  const MountEntry* mount = MountFor(mounts, real, major, minor);
  std::string type = mount ? mount->fsType : std::string();
  bool known = false;
  MediumProfile p = ProfileForType(type, known);
  if (!known && (type == "fuseblk" || type == "fuse" || type.rfind("fuse.", 0) == 0 ||
                 familyOf(type) == Family::Unknown)) {
    const std::string signature =
        BlockDeviceType(mount ? mount->source : std::string(), major, minor);
    if (!signature.empty()) {
      bool signatureKnown = false;
      MediumProfile bySignature = ProfileForType(signature, signatureKnown);
      if (familyOf(signature) != Family::Unknown) {
        p = bySignature;
        p.fsType = type == signature ? type : type + " (" + signature + ")";
        known = signatureKnown;
      }
    }
  }
  if (!known) p.ignoresCase = p.ignoresCase || ProbeIgnoresCase(real);
  if (p.fsType.empty()) p.fsType = "?";
  return p;
}
