#pragma once
// A real FAT32 or exFAT file system for a test: an image file made with mkfs, attached to
// a loop device and mounted through FUSE (fusefat, exfat-fuse), as a stick would be.
// Needs root, /dev/fuse, loop devices and the tools; `missing()` says what is lacking so
// the test can skip with that message.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "test_support.h"

class LoopMedium {
 public:
  enum Kind { Fat32, ExFat };

  LoopMedium(Kind kind, int megabytes) {
    missing_ = lacking(kind);
    if (!missing_.empty()) return;
    image_ = (dir_ / "medium.img").string();
    mountPoint_ = (dir_ / "mnt").string();
    std::filesystem::create_directories(mountPoint_);
    const std::string mkfs = kind == Fat32 ? "mkfs.vfat -F 32 " : "mkfs.exfat ";
    if (!run("truncate -s " + std::to_string(megabytes) + "M " + image_) ||
        !run(mkfs + image_ + " >/dev/null 2>&1")) {
      missing_ = "mkfs of the image failed";
      return;
    }
    const std::string loopFile = (dir_ / "loop").string();
    if (!run("losetup -f --show " + image_ + " > " + loopFile)) {
      missing_ = "no free loop device";
      return;
    }
    std::ifstream in(loopFile);
    std::getline(in, loop_);
    const std::string mount = kind == Fat32 ? "fusefat -o rw+ " : "mount.exfat-fuse ";
    if (!run(mount + loop_ + " " + mountPoint_ + " >/dev/null 2>&1") || !mounted()) {
      missing_ = "the FUSE mount failed";
      return;
    }
  }

  ~LoopMedium() {
    unmount();
    if (!loop_.empty()) run("losetup -d " + loop_);
  }

  // Empty when the medium is mounted, otherwise why not.
  const std::string& missing() const { return missing_; }
  const std::string& mountPoint() const { return mountPoint_; }
  std::string path(const std::string& below) const { return mountPoint_ + "/" + below; }

  // As if the stick were pulled: the file system goes, the bare folder stays.
  void unmount() {
    if (mounted()) run("umount " + mountPoint_ + " 2>/dev/null || umount -l " + mountPoint_);
  }
  bool mounted() const {
    std::ifstream in("/proc/self/mountinfo");
    std::string line;
    while (std::getline(in, line))
      if (line.find(" " + mountPoint_ + " ") != std::string::npos) return true;
    return false;
  }

 private:
  static bool run(const std::string& command) { return std::system(command.c_str()) == 0; }
  static std::string lacking(Kind kind) {
    if (::geteuid() != 0) return "not root: loop devices and mounts need root";
    if (!std::filesystem::exists("/dev/fuse")) return "no /dev/fuse on this machine";
    if (!std::filesystem::exists("/dev/loop-control")) return "no loop devices on this machine";
    const char* tools = kind == Fat32 ? "command -v mkfs.vfat && command -v fusefat"
                                      : "command -v mkfs.exfat && command -v mount.exfat-fuse";
    if (!run(std::string("(") + tools + ") >/dev/null 2>&1"))
      return kind == Fat32 ? "dosfstools or fusefat not installed"
                           : "exfatprogs or exfat-fuse not installed";
    return std::string();
  }

  TempDir dir_;
  std::string image_, mountPoint_, loop_, missing_;
};
