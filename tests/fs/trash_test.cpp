#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "fs/file_ops.h"
#include "fs/sys_calls.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// Points the home trash at a folder of the test and puts the old setting back after.
class TrashHome {
 public:
  explicit TrashHome(const fs::path& dataHome) : env_("XDG_DATA_HOME", dataHome.string()) {}

 private:
  ScopedEnv env_;
};

}  // namespace

TEST(DeleteToRecycleBin, MovesTheFileIntoTheTrashWithItsInfo) {
  TempDir t;
  TrashHome home(t / "data");
  const fs::path song = t / "Музыка" / "my song.mp3";
  writeFile(song, "la la");
  const FileOpResult r = DeleteToRecycleBin(song.string());
  ASSERT_TRUE(r.ok()) << r.message;
  EXPECT_FALSE(fs::exists(song));
  const fs::path trash = t / "data" / "Trash";
  EXPECT_EQ(readFile(trash / "files" / "my song.mp3"), "la la");
  const std::string info = readFile(trash / "info" / "my song.mp3.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u) << info;
  EXPECT_NE(info.find("Path=" + t.str() + "/%D0%9C%D1%83%D0%B7%D1%8B%D0%BA%D0%B0/my%20song.mp3\n"),
            std::string::npos)
      << info;
  EXPECT_NE(info.find("\nDeletionDate=20"), std::string::npos) << info;

  // A second file of the same name gets a name of its own; the first stays restorable.
  writeFile(song, "second");
  ASSERT_TRUE(DeleteToRecycleBin(song.string()).ok());
  EXPECT_EQ(readFile(trash / "files" / "my song.mp3"), "la la");
  EXPECT_EQ(readFile(trash / "files" / "my song.mp3.2"), "second");
  EXPECT_TRUE(fs::exists(trash / "info" / "my song.mp3.2.trashinfo"));
}

TEST(DeleteToRecycleBin, FailuresAreReportedAndTheFileStays) {
  TempDir t;
  writeFile(t / "a.mp3", "keep me");
  {
    TrashHome home(t / "data");
    EXPECT_EQ(DeleteToRecycleBin((t / "missing.mp3").string()).error, ENOENT);
    EXPECT_EQ(DeleteToRecycleBin("").status, FileOpStatus::Failed);

    FsCalls calls = RealFsCalls();
    calls.rename = [](const char*, const char*, bool) { return errno = EACCES, -1; };
    ScopedFsCalls refuse(calls);
    const FileOpResult r = DeleteToRecycleBin((t / "a.mp3").string());
    EXPECT_EQ(r.error, EACCES);
    EXPECT_NE(r.message.find("a.mp3"), std::string::npos);
    // No info file is left to describe a file that never arrived.
    EXPECT_TRUE(fs::is_empty(t / "data" / "Trash" / "info"));
  }
  {
    // The trash cannot be made where a file stands in its way.
    writeFile(t / "blocker", "x");
    TrashHome home(t / "blocker" / "data");
    EXPECT_EQ(DeleteToRecycleBin((t / "a.mp3").string()).error, ENOTDIR);
  }
  EXPECT_EQ(readFile(t / "a.mp3"), "keep me");
}

TEST(DeleteToRecycleBin, FileOnAnotherVolumeGoesToThatVolumesTrash) {
  TempDir t;
  struct stat shm {
  }, tmp{};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(t.str().c_str(), &tmp) != 0 ||
      shm.st_dev == tmp.st_dev || ::access("/dev/shm", W_OK) != 0) {
    GTEST_SKIP() << "no second file system at /dev/shm";
  }
  // /dev/shm is the top of its own volume.
  const fs::path volumeTrash = "/dev/shm/.Trash-" + std::to_string(::getuid());
  const bool hadTrash = fs::exists(volumeTrash);
  std::string folder = "/dev/shm/tavel-fs-test-XXXXXX";
  ASSERT_NE(::mkdtemp(folder.data()), nullptr);
  const std::string inner = fs::path(folder).filename().string();
  writeFile(fs::path(folder) / "b.mp3", "elsewhere");

  TrashHome home(t / "data");
  const FileOpResult r = DeleteToRecycleBin(folder + "/b.mp3");
  EXPECT_TRUE(r.ok()) << r.message;
  EXPECT_FALSE(fs::exists(folder + "/b.mp3"));
  std::string name = "b.mp3";
  for (int n = 2; fs::exists(volumeTrash / "files" / name) &&
                  readFile(volumeTrash / "files" / name) != "elsewhere";
       ++n) {
    name = "b.mp3." + std::to_string(n);
  }
  EXPECT_EQ(readFile(volumeTrash / "files" / name), "elsewhere");
  const std::string info = readFile(volumeTrash / "info" / (name + ".trashinfo"));
  // Paths in a volume's trash are relative to the volume's top.
  EXPECT_NE(info.find("\nPath=" + inner + "/b.mp3\n"), std::string::npos) << info;
  EXPECT_FALSE(fs::exists(t / "data" / "Trash" / "files" / "b.mp3"));

  std::error_code ec;
  if (hadTrash) {
    fs::remove(volumeTrash / "files" / name, ec);
    fs::remove(volumeTrash / "info" / (name + ".trashinfo"), ec);
  } else {
    fs::remove_all(volumeTrash, ec);
  }
  fs::remove_all(folder, ec);
}

TEST(DeleteToRecycleBin, ManyFilesOfOneNameAllGoAndTheNumberingGoesOn) {
  // In memory where the machine has it: 40,000 file creations on a busy disk take minutes,
  // and the names the trash gives are the same on every file system.
  std::optional<std::string> tmpDir;
  if (::access("/dev/shm", W_OK) == 0)
    tmpDir = "/dev/shm";
  else if (const char* old = std::getenv("TMPDIR"))
    tmpDir = old;
  ScopedEnv tmp("TMPDIR", tmpDir);
  TempDir t;
  TrashHome home(t / "data");
  const fs::path files = t / "data" / "Trash" / "files";
  const fs::path info = t / "data" / "Trash" / "info";
  // More than the four-digit numbers a search from 1 used to stop at.
  constexpr int kCount = 12000;
  for (int i = 0; i < kCount; ++i) {
    const fs::path song = t / "src" / std::to_string(i) / "song.mp3";
    writeFile(song, std::to_string(i));
    const FileOpResult r = DeleteToRecycleBin(song.string());
    ASSERT_TRUE(r.ok()) << i << ": " << r.message;
  }
  EXPECT_EQ(readFile(files / "song.mp3"), "0");
  EXPECT_EQ(readFile(files / "song.mp3.2"), "1");
  EXPECT_EQ(readFile(files / ("song.mp3." + std::to_string(kCount))), std::to_string(kCount - 1));
  EXPECT_TRUE(fs::exists(info / ("song.mp3." + std::to_string(kCount) + ".trashinfo")));
  EXPECT_EQ(std::distance(fs::directory_iterator(files), fs::directory_iterator()), kCount);
  EXPECT_EQ(std::distance(fs::directory_iterator(info), fs::directory_iterator()), kCount);

  // Numbers taken by someone else (another program, an earlier run) are stepped over: a
  // long run of them ends in a name with a suffix of its own, and the numbers go on after.
  for (int n = kCount + 1; n <= kCount + 1500; ++n)
    writeFile(info / ("song.mp3." + std::to_string(n) + ".trashinfo"), "");
  const fs::path song = t / "src" / "last" / "song.mp3";
  writeFile(song, "beyond");
  ASSERT_TRUE(DeleteToRecycleBin(song.string()).ok());
  std::string odd;
  for (const auto& e : fs::directory_iterator(files)) {
    const std::string name = e.path().filename().string();
    const std::string tail = name.substr(std::min(name.size(), std::string("song.mp3.").size()));
    if (!tail.empty() && tail.find_first_not_of("0123456789") != std::string::npos) odd = name;
  }
  ASSERT_FALSE(odd.empty());
  EXPECT_EQ(readFile(files / odd), "beyond");
  EXPECT_NE(readFile(info / (odd + ".trashinfo")).find("/last/song.mp3\n"), std::string::npos);
  writeFile(song, "after");
  ASSERT_TRUE(DeleteToRecycleBin(song.string()).ok());
  EXPECT_EQ(readFile(files / ("song.mp3." + std::to_string(kCount + 1501))), "after");
}

TEST(DeleteToRecycleBin, NamesTooLongForTheTrashAreShortenedAndTheInfoKeepsTheWholePath) {
  TempDir t;
  TrashHome home(t / "data");
  // 125 two-byte letters and ".mp3": 254 bytes, a valid name whose ".trashinfo" would not be.
  std::string name;
  for (int i = 0; i < 125; ++i) name += "ж";
  name += ".mp3";
  ASSERT_EQ(name.size(), 254u);
  const fs::path song = t / "music" / name;
  for (const char* body : {"one", "two"}) {
    writeFile(song, body);
    const FileOpResult r = DeleteToRecycleBin(song.string());
    ASSERT_TRUE(r.ok()) << r.message;
  }
  int found = 0;
  for (const auto& e : fs::directory_iterator(t / "data" / "Trash" / "files")) {
    const std::string trashName = e.path().filename().string();
    EXPECT_LE(trashName.size() + std::string(".trashinfo").size(), 255u);
    // Cut between letters, never inside one.
    EXPECT_EQ(trashName.rfind("жж", 0), 0u);
    for (std::size_t i = 0; i < trashName.size(); ++i) {
      const auto c = static_cast<unsigned char>(trashName[i]);
      if (c == 0xD0) {
        EXPECT_EQ(static_cast<unsigned char>(trashName[i + 1]) & 0xC0, 0x80) << i;
      }
    }
    const std::string info = readFile(t / "data" / "Trash" / "info" / (trashName + ".trashinfo"));
    EXPECT_NE(info.find("%B6.mp3\n"), std::string::npos) << info;
    ++found;
  }
  EXPECT_EQ(found, 2);
}
