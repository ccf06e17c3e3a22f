#include "fs/medium_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "test_support.h"

namespace fs = std::filesystem;

TEST(MediumProfile, MountTableLinesAreReadWithEscapesAndOptionalFields) {
  const std::string table =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "45 22 7:0 / /media/my\\040stick rw,nosuid shared:7 master:2 - fuseblk /dev/loop0 rw\n"
      "46 22 0:40 / /media/fat rw - fuse.fusefat fusefat rw\n"
      "garbage line\n"
      "47 22 8:17 / /media/my rw - vfat /dev/sdb1 rw\n";
  const std::vector<MountEntry> mounts = ParseMountInfo(table);
  ASSERT_EQ(mounts.size(), 4u);
  EXPECT_EQ(mounts[1].mountPoint, "/media/my stick");
  EXPECT_EQ(mounts[1].fsType, "fuseblk");
  EXPECT_EQ(mounts[1].source, "/dev/loop0");
  EXPECT_EQ(mounts[1].major, 7u);
  EXPECT_EQ(mounts[2].fsType, "fuse.fusefat");
  EXPECT_EQ(mounts[2].minor, 40u);

  // The mount is the one on the path's device with the longest folder prefix; a mount at
  // /media/my does not hold /media/my stick.
  const MountEntry* m = MountFor(mounts, "/media/my stick/Music", 7, 0);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->mountPoint, "/media/my stick");
  m = MountFor(mounts, "/media/my/Music", 8, 17);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->fsType, "vfat");
  EXPECT_EQ(MountFor(mounts, "/media/myx", 8, 17), nullptr);
  m = MountFor(mounts, "/home/u", 8, 1);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->mountPoint, "/");
}

TEST(MediumProfile, TypesGiveTheirRules) {
  bool known = false;
  MediumProfile p = ProfileForType("vfat", known);
  EXPECT_TRUE(known);
  EXPECT_TRUE(p.windowsNames);
  EXPECT_TRUE(p.ignoresCase);
  EXPECT_TRUE(p.limitInUtf16);
  EXPECT_EQ(p.maxFileSize, 4294967295LL);
  p = ProfileForType("fuse.fusefat", known);
  EXPECT_TRUE(known && p.windowsNames && p.maxFileSize == 4294967295LL);
  p = ProfileForType("exfat", known);
  EXPECT_TRUE(known && p.windowsNames && p.ignoresCase);
  EXPECT_EQ(p.maxFileSize, -1);
  // NTFS: Windows names, but the driver decides about case, so the probe must tell.
  p = ProfileForType("ntfs3", known);
  EXPECT_FALSE(known);
  EXPECT_TRUE(p.windowsNames);
  p = ProfileForType("ext4", known);
  EXPECT_TRUE(known);
  EXPECT_FALSE(p.windowsNames || p.ignoresCase || p.limitInUtf16);
  EXPECT_EQ(p.maxNameLength, 255);
  ProfileForType("fuseblk", known);
  EXPECT_FALSE(known);
  ProfileForType("9p", known);
  EXPECT_FALSE(known);
}

TEST(MediumProfile, LocalFolderIsALinuxMediumAndTheProbeLeavesNothing) {
  TempDir tmp;
  // A folder the run will create: its nearest existing ancestor answers.
  const MediumProfile p = ProbeMedium((tmp / "not/yet/there").string());
  EXPECT_FALSE(p.windowsNames);
  EXPECT_FALSE(p.ignoresCase);
  EXPECT_NE(p.fsType, "");
  EXPECT_FALSE(ProbeIgnoresCase(tmp.path().string()));
  EXPECT_TRUE(fs::is_empty(tmp.path()));
  // Nothing can be created in a missing folder: the probe says "case matters".
  EXPECT_FALSE(ProbeIgnoresCase((tmp / "missing").string()));
  EXPECT_EQ(DeviceOf((tmp / "missing").string()), -1);
  struct stat st;
  ASSERT_EQ(::stat(tmp.path().c_str(), &st), 0);
  EXPECT_EQ(DeviceOf(tmp.path().string()), static_cast<std::int64_t>(st.st_dev));
}
