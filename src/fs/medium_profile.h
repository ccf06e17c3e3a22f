#pragma once
// What the medium under a destination folder accepts: which naming rules hold, how long a
// name may be, the largest file and whether letter case is ignored. Found from the mount
// table; where the table names only a generic type (fuseblk), from the device's own
// signature (libblkid, or the udev database when the device cannot be read); where still
// unsure whether case is ignored, by creating a temporary name and looking it up in
// another letter case.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct MediumProfile {
  std::string fsType;             // the file system as found ("ext4", "vfat", "exfat", "ntfs", ...)
  bool windowsNames = false;      // FAT, exFAT, NTFS: the nine characters, control characters,
                                  // trailing dots and spaces and device names are refused
  bool ignoresCase = false;       // "Song.mp3" and "song.mp3" are one name
  bool limitInUtf16 = false;      // maxNameLength counts UTF-16 units, otherwise bytes
  int maxNameLength = 255;        // of one path component
  std::int64_t maxFileSize = -1;  // bytes; -1 when only the free space limits a file
};

// The profile of the file system holding path, or its nearest existing ancestor when path
// does not exist yet. An unknown file system gives the Linux rules, with the case probe.
MediumProfile ProbeMedium(const std::string& path);

// One line of /proc/self/mountinfo.
struct MountEntry {
  unsigned major = 0, minor = 0;
  std::string mountPoint;  // with the table's octal escapes (\040 ...) undone
  std::string fsType;      // "ext4", "fuseblk", "fuse.fusefat", ...
  std::string source;      // "/dev/sdb1", "fusefat", ...
};
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The mount that holds the real (symbolic-link free) path realPath on the device
// major:minor: the last one in table order whose mount point is the longest prefix.
// Null when none matches.
const MountEntry* MountFor(const std::vector<MountEntry>& mounts, const std::string& realPath,
                           unsigned major, unsigned minor);

// The profile a file-system type stands for. `known` is false when the type does not tell
// the rules (fuseblk, fuse, an unfamiliar type): the caller then asks the device or probes.
MediumProfile ProfileForType(const std::string& fsType, bool& known);

// The file-system type the block device's signature names ("vfat", "exfat", "ntfs"), or
// the empty text when it cannot be read.
std::string BlockDeviceType(const std::string& device, unsigned major, unsigned minor);

// Whether the file system of folder ignores letter case: a temporary file is created there
// and looked up in upper case, then removed. False when nothing can be created.
bool ProbeIgnoresCase(const std::string& folder);

// The device of path (st_dev), or -1 when it cannot be looked up.
std::int64_t DeviceOf(const std::string& path);
