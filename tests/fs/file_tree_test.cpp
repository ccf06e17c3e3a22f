#include "fs/file_tree.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// root: .hidden.mp3 a.mp3 b.MP3 C.txt flink.mp3 -> a.mp3, dangling.mp3 -> nowhere,
// fifo.mp3 (a pipe), link -> Sub1, sub0/z.mp3, Sub1/x.mp3, Sub1/Deep/y.mp3
void makeCollection(const fs::path& root) {
  writeFile(root / "b.MP3", "bb");
  writeFile(root / "a.mp3", "a");
  writeFile(root / "C.txt", "ccc");
  writeFile(root / ".hidden.mp3", "");
  writeFile(root / "sub0" / "z.mp3", "zzzz");
  writeFile(root / "Sub1" / "x.mp3", "xxxxx");
  writeFile(root / "Sub1" / "Deep" / "y.mp3", "yyyyyy");
  fs::create_directory_symlink(root / "Sub1", root / "link");
  fs::create_symlink("a.mp3", root / "flink.mp3");
  fs::create_symlink("nowhere.mp3", root / "dangling.mp3");
  ::mkfifo((root / "fifo.mp3").c_str(), 0644);
}

std::vector<std::string> walk(const std::string& root, const std::string& mask, bool reportRoot,
                              bool recurse, TreeDetail detail = TreeDetail::Full) {
  std::vector<std::string> events;
  EnumerateTree(
      root, mask,
      [&](const std::string& rel, const FindRecord& r) {
        events.push_back("F " + rel + " " + std::to_string(r.size));
      },
      reportRoot, recurse,
      [&](const std::string& rel, const std::string& name) {
        events.push_back("D " + rel + " " + name);
      },
      detail);
  return events;
}

}  // namespace

TEST(EnumerateTree, FilesBeforeSubfoldersDepthFirstInNameOrder) {
  TempDir t;
  makeCollection(t.path());
  const std::vector<std::string> expected = {
      "D / /",          "F /.hidden.mp3 0", "F /a.mp3 1",        "F /b.MP3 2",
      "F /flink.mp3 1", "D /link link",     "D /sub0 sub0",      "F /sub0/z.mp3 4",
      "D /Sub1 Sub1",   "F /Sub1/x.mp3 5",  "D /Sub1/Deep Deep", "F /Sub1/Deep/y.mp3 6"};
  EXPECT_EQ(walk(t.str(), "*.mp3", true, true), expected);
  // Trailing separators of either kind on the root change nothing.
  EXPECT_EQ(walk(t.str() + "/\\/", "*.MP3", true, true), expected);
}

TEST(EnumerateTree, RootReportAndRecursionFlags) {
  TempDir t;
  makeCollection(t.path());
  const std::vector<std::string> flat = {"D  ",          "F /.hidden.mp3 0", "F /a.mp3 1",
                                         "F /b.MP3 2",   "F /C.txt 3",       "F /flink.mp3 1",
                                         "D /link link", "D /sub0 sub0",     "D /Sub1 Sub1"};
  EXPECT_EQ(walk(t.str(), "*.*", false, false), flat);

  std::vector<std::string> names;
  EnumerateTree(
      t.str(), "?.txt", [&](const std::string& rel, const FindRecord&) { names.push_back(rel); },
      true, true, nullptr);
  EXPECT_EQ(names, std::vector<std::string>{"/C.txt"});
}

TEST(EnumerateTree, RecordsDescribeFilesAndNamesModeSkipsTheLookups) {
  TempDir t;
  writeFile(t / "a.mp3", "12345");
  ::chmod((t / "a.mp3").c_str(), 0444);
  fs::create_symlink("a.mp3", t / "b.mp3");
  std::vector<FindRecord> full, names;
  auto collect = [](std::vector<FindRecord>& into) {
    return [&into](const std::string&, const FindRecord& r) { into.push_back(r); };
  };
  EnumerateTree(t.str(), "*", collect(full), false, false, nullptr);
  EnumerateTree(t.str(), "*", collect(names), false, false, nullptr, TreeDetail::Names);
  ASSERT_EQ(full.size(), 2u);
  EXPECT_EQ(full[0].name, "a.mp3");
  EXPECT_EQ(full[0].size, 5);
  EXPECT_TRUE(full[0].readOnly);
  EXPECT_FALSE(full[0].isLink);
  EXPECT_GT(full[0].modifiedNs, 0);
  EXPECT_TRUE(full[1].isLink);
  EXPECT_EQ(full[1].size, 5);  // a linked file counts with the size of what it points to
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0].name, "a.mp3");
  EXPECT_EQ(names[0].size, 0);
  EXPECT_TRUE(names[1].isLink);
}

TEST(EnumerateTree, MissingOrUnusableRootReportsNothing) {
  TempDir t;
  writeFile(t / "file.mp3", "x");
  EXPECT_TRUE(walk((t / "missing").string(), "*.*", true, true).empty());
  EXPECT_TRUE(walk((t / "file.mp3").string(), "*.*", true, true).empty());
  EXPECT_TRUE(walk("", "*.*", true, true).empty());
}

TEST(EnumerateTree, LinkLoopIsNotFollowedAndSizesAreSixtyFourBit) {
  TempDir t;
  fs::create_directories(t / "a" / "b");
  fs::create_directory_symlink(t / "a", t / "a" / "b" / "up");
  const fs::path big = t / "a" / "big.flac";
  writeFile(big, "");
  fs::resize_file(big, std::int64_t{5} << 30);  // sparse: costs no disk space
  EXPECT_EQ(walk(t.str(), "*.*", true, true),
            (std::vector<std::string>{"D / /", "D /a a", "F /a/big.flac 5368709120", "D /a/b b",
                                      "D /a/b/up up"}));
  EXPECT_EQ(GetFileSize64(big.string()), std::int64_t{5} << 30);
}

TEST(ListFilesAndFolders, FullAndRelativePaths) {
  TempDir t;
  makeCollection(t.path());
  const std::string root = t.str();
  std::vector<std::string> list = {"stale"};
  ListFiles(list, root + "/", true, true, "*.mp3");
  EXPECT_EQ(list, (std::vector<std::string>{root + "/.hidden.mp3", root + "/a.mp3", root + "/b.MP3",
                                            root + "/flink.mp3", root + "/sub0/z.mp3",
                                            root + "/Sub1/x.mp3", root + "/Sub1/Deep/y.mp3"}));
  ListFiles(list, root, false, false, "*.txt");
  EXPECT_EQ(list, std::vector<std::string>{"C.txt"});

  ListFolders(list, root + "//", true, true);
  EXPECT_EQ(list, (std::vector<std::string>{root + "/", root + "/link", root + "/sub0",
                                            root + "/Sub1", root + "/Sub1/Deep"}));
  ListFolders(list, root, false, false);
  EXPECT_EQ(list, (std::vector<std::string>{"", "link", "sub0", "Sub1"}));

  ListFolders(list, root + "/sub0", true, true);
  EXPECT_EQ(list, std::vector<std::string>{root + "/sub0/"});
  ListFolders(list, root + "/missing", true, true);
  EXPECT_TRUE(list.empty());
}

TEST(FindFileInfo, FindsFilesFoldersAndWildcardsAndForgetsOnMiss) {
  TempDir t;
  makeCollection(t.path());
  const std::string root = t.str();
  ASSERT_TRUE(FindFileInfo(root + "/Sub1/x.mp3"));
  EXPECT_EQ(FoundFileSize(), 5);
  EXPECT_EQ(FoundFileRecord().name, "x.mp3");
  EXPECT_FALSE(FoundFileRecord().isFolder);

  EXPECT_FALSE(FindFileInfo(root + "/Sub1/none.mp3"));
  EXPECT_EQ(FoundFileSize(), 0);
  EXPECT_EQ(FoundFileRecord().name, "");

  ASSERT_TRUE(FindFileInfo(root + "/Sub1/"));
  EXPECT_TRUE(FoundFileRecord().isFolder);
  EXPECT_EQ(FoundFileRecord().name, "Sub1");
  EXPECT_EQ(FoundFileSize(), 0);

  ASSERT_TRUE(FindFileInfo(root + "/B.*"));
  EXPECT_EQ(FoundFileRecord().name, "b.MP3");
  EXPECT_EQ(FoundFileSize(), 2);
  ASSERT_TRUE(FindFileInfo(root + "/sub0/*"));
  EXPECT_EQ(FoundFileRecord().name, "z.mp3");
  EXPECT_FALSE(FindFileInfo(root + "/*.wav"));
  EXPECT_FALSE(FindFileInfo(root + "/missing/*.*"));
  EXPECT_FALSE(FindFileInfo(""));

  // A dangling link still holds its name: a copy there would collide with it.
  EXPECT_TRUE(FindFileInfo(root + "/dangling.mp3"));
  EXPECT_TRUE(FoundFileRecord().isLink);

  EXPECT_EQ(GetFileSize64(root + "/Sub1/Deep/y.mp3"), 6);
  EXPECT_EQ(GetFileSize64(root + "/nothing.mp3"), 0);
  EXPECT_EQ(GetFileSize64(root + "/sub0"), 0);
}

TEST(GetDriveSpace, NearestExistingAncestorAndFolderSizes) {
  TempDir t;
  struct statvfs vfs;
  ASSERT_EQ(::statvfs(t.str().c_str(), &vfs), 0);
  const std::int64_t total = std::int64_t(vfs.f_blocks) * std::int64_t(vfs.f_frsize);
  EXPECT_EQ(GetDriveSpace(t.str(), true, false), total);
  // A destination the run has yet to create is measured on the volume it will land on.
  EXPECT_EQ(GetDriveSpace(t.str() + "/new/deeper/folder\\", true, false), total);
  EXPECT_GT(GetDriveSpace(t.str() + "/new", false, false), 0);
  EXPECT_GT(GetDriveSpace("", true, false), 0);

  // Below a file nothing can ever be created.
  writeFile(t / "file.mp3", "x");
  EXPECT_EQ(GetDriveSpace(t.str() + "/file.mp3/sub", false, false), 0);
  EXPECT_EQ(GetDriveSpace(t.str() + "/file.mp3/sub", true, false), 0);

  // The files already in the folder count as free when asked; a sparse 3 GiB file makes
  // the difference stand far above the churn of other writers on the volume.
  fs::create_directories(t / "dest" / "old");
  writeFile(t / "dest" / "old" / "big.mp3", "");
  fs::resize_file(t / "dest" / "old" / "big.mp3", std::int64_t{3} << 30);
  const std::int64_t free = GetDriveSpace(t.str() + "/dest", false, false);
  const std::int64_t withFolder = GetDriveSpace(t.str() + "/dest/", false, true);
  EXPECT_NEAR(double(withFolder - free), double(std::int64_t{3} << 30), 256.0 * 1024 * 1024);
  // The total is never enlarged by the folder.
  EXPECT_EQ(GetDriveSpace(t.str() + "/dest", true, true), total);
}

TEST(ClearReadOnly, AddsOwnerWriteOnlyWhenMissing) {
  TempDir t;
  writeFile(t / "a.mp3", "x");
  ::chmod((t / "a.mp3").c_str(), 0444);
  EXPECT_TRUE(ClearReadOnly((t / "a.mp3").string()));
  struct stat st;
  ASSERT_EQ(::stat((t / "a.mp3").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_FALSE(ClearReadOnly((t / "a.mp3").string()));
  fs::create_directory(t / "ro");
  ::chmod((t / "ro").c_str(), 0555);
  EXPECT_TRUE(ClearReadOnly((t / "ro").string()));
  EXPECT_FALSE(ClearReadOnly((t / "missing").string()));
}

TEST(ClearableTree, LinksCountThemselvesAndOtherMountsAreLeftOut) {
  TempDir t;
  writeFile(t / "dest/a.mp3", std::string(1000, 'a'));
  writeFile(t / "dest/sub/b.mp3", std::string(10, 'b'));
  // A 3 GiB sparse target: a link to it frees the link's few bytes, not the target's.
  writeFile(t / "big/target.flac", "");
  fs::resize_file(t / "big/target.flac", std::int64_t{3} << 30);
  const std::string target = (t / "big/target.flac").string();
  fs::create_symlink(target, t / "dest/link.flac");
  fs::create_directory_symlink(t / "big", t / "dest/sub/linkdir");
  const std::int64_t links =
      std::int64_t(target.size()) + std::int64_t((t / "big").string().size());
  ClearableTree tree = CollectClearableTree((t / "dest").string());
  EXPECT_EQ(tree.bytes, 1010 + links);
  const std::string d = (t / "dest").string();
  EXPECT_EQ(tree.files, (std::vector<std::string>{d + "/a.mp3", d + "/link.flac", d + "/sub/b.mp3",
                                                  d + "/sub/linkdir"}));
  EXPECT_EQ(tree.folders, (std::vector<std::string>{d + "/sub"}));
  EXPECT_TRUE(tree.mountPoints.empty());
  // What the limit adds for a cleared destination is that same figure.
  const std::int64_t free = GetDriveSpace(d, false, false);
  const std::int64_t withFolder = GetDriveSpace(d, false, true);
  EXPECT_LT(withFolder - free, std::int64_t{256} << 20);

  // A bind mount below the folder is neither entered nor counted.
  fs::create_directories(t / "dest/sub/m");
  if (::mount((t / "big").c_str(), (t / "dest/sub/m").c_str(), nullptr, MS_BIND, nullptr) != 0)
    GTEST_SKIP() << "bind mounts are not allowed here: " << std::strerror(errno);
  tree = CollectClearableTree(d);
  ::umount2((t / "dest/sub/m").c_str(), MNT_DETACH);
  EXPECT_EQ(tree.mountPoints, (std::vector<std::string>{d + "/sub/m"}));
  EXPECT_EQ(tree.bytes, 1010 + links);
  EXPECT_EQ(tree.folders, (std::vector<std::string>{d + "/sub"}));
}

TEST(ClearReadOnly, ActsOnALinkItselfNeverOnItsTarget) {
  TempDir t;
  writeFile(t / "ro.mp3", "x");
  ::chmod((t / "ro.mp3").c_str(), 0444);
  fs::create_symlink(t / "ro.mp3", t / "link.mp3");
  EXPECT_FALSE(ClearReadOnly((t / "link.mp3").string()));
  struct stat st;
  ASSERT_EQ(::stat((t / "ro.mp3").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
  // A NUL byte would make it the file "ro.mp3".
  EXPECT_FALSE(ClearReadOnly((t / "ro.mp3").string() + std::string(1, '\0') + ".x"));
  ASSERT_EQ(::stat((t / "ro.mp3").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);
}
