// The playlist a copy or move leaves in the destination root: its names and paths, its
// content after runs with collisions and links, and a real exFAT stick read back by the
// program's own import.
#include "operation/device_playlist.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "engine_fakes.h"
#include "lang/lang.h"
#include "loop_medium.h"
#include "test_support.h"
#include "worklist/add_files.h"
#include "worklist/m3u.h"
#include "worklist/m3u_import.h"

namespace fs = std::filesystem;

namespace {

MediumProfile WindowsMedium() {
  MediumProfile m;
  m.fsType = "exfat";
  m.windowsNames = true;
  m.ignoresCase = true;
  return m;
}

// The path lines of a playlist file, in order.
std::vector<std::string> playlistPaths(const fs::path& file) {
  std::vector<std::string> paths;
  for (const M3uRecord& r : ParseM3U(readFile(file), "").records) paths.push_back(r.path);
  return paths;
}

}  // namespace

TEST(DevicePlaylist, NameStaysInTheRootAndSuitsTheMedium) {
  const MediumProfile linux = LinuxMedium();
  EXPECT_EQ(DevicePlaylistName("", linux, '_'), "Tavel.m3u");
  EXPECT_EQ(DevicePlaylistName("  \t", linux, '_'), "Tavel.m3u");
  EXPECT_EQ(DevicePlaylistName("..", linux, '_'), "Tavel.m3u");
  EXPECT_EQ(DevicePlaylistName(" Мой список.m3u ", linux, '_'), "Мой список.m3u");
  EXPECT_EQ(DevicePlaylistName("../../etc/x.m3u", linux, '_'), ".._.._etc_x.m3u");
  // A Windows medium refuses ':' and '?' and a trailing dot.
  EXPECT_EQ(DevicePlaylistName("a:b?.m3u", WindowsMedium(), '_'), "a_b_.m3u");
  EXPECT_EQ(DevicePlaylistName("list.", WindowsMedium(), '_'), "list");

  EXPECT_EQ(PathBelowRoot("/media/stick/Album/a.mp3", "/media/stick"), "Album/a.mp3");
  EXPECT_EQ(PathBelowRoot("/a.mp3", "/"), "a.mp3");
  EXPECT_EQ(PathBelowRoot("/media/sticker/a.mp3", "/media/stick"), "");
  EXPECT_EQ(PathBelowRoot("/media/stick", "/media/stick"), "");
  EXPECT_EQ(PathBelowRoot("/media/stick/", "/media/stick"), "");
  EXPECT_EQ(PathBelowRoot("/x/a.mp3", ""), "");
}

TEST(DevicePlaylist, RelativePathsThatWouldReadBackWrongAreProblems) {
  EXPECT_EQ(M3uRelativePathProblem("Album/01 Song.mp3"), "");
  EXPECT_NE(M3uRelativePathProblem("/abs.mp3"), "");
  EXPECT_NE(M3uRelativePathProblem("C:x.mp3"), "");
  EXPECT_NE(M3uRelativePathProblem("back\\slash.mp3"), "");
  EXPECT_NE(M3uRelativePathProblem("#hash.mp3"), "");
  EXPECT_NE(M3uRelativePathProblem("ends in space "), "");
  EXPECT_NE(M3uRelativePathProblem("two\nlines.mp3"), "");
  EXPECT_NE(M3uRelativePathProblem("\xcf\xe5.mp3"), "");
  // The absolute check keeps its meaning.
  EXPECT_NE(M3uPathProblem("Album/01 Song.mp3"), "");
  EXPECT_EQ(M3uPathProblem("/Album/01 Song.mp3"), "");
}

TEST(DevicePlaylist, ListsWhatArrivedInListOrderWithTheNamesWritten) {
  TempDir tmp;
  EngineRig r;
  r.engine.SetMediumProfile(LinuxMedium());
  const fs::path dst = tmp / "dst";
  fs::create_directories(dst / "B");
  writeFile(dst / "B" / "b.mp3", "old b");        // collides: gets a number
  writeFile(dst / "B" / "skip.mp3", "old skip");  // numbered now, skipped in the second run
  for (const char* name : {"A/a.mp3", "B/b.mp3", "C/c.mp3", "B/skip.mp3"})
    writeFile(tmp / "src" / name, std::string("new ") + name);
  r.entries.add((tmp / "src/A/a.mp3").string(), 0, true, "Artist - A");
  r.entries.add((tmp / "src/B/b.mp3").string(), 0, true, "Artist - B");
  r.entries.add((tmp / "src/gone.mp3").string(), 0, true, "Gone");
  r.entries.add((tmp / "src/C/c.mp3").string(), 0, false, "Not ticked");
  r.entries.add((tmp / "src/B/skip.mp3").string(), 0, true);
  r.entries.list.SelectIndex(1);
  r.entries.list.Cursor->SetLength(215);
  r.params.destination = dst.string();
  r.params.folderLayout = layoutNearestFolder;
  r.params.ifExistsCopy = existsRename;
  r.params.writeDevicePlaylist = true;
  r.params.devicePlaylistName = "Tavel.m3u";
  r.go();

  const std::string bytes = readFile(dst / "Tavel.m3u");
  EXPECT_EQ(bytes,
            "#EXTM3U\r\n#EXTINF:0,Artist - A\r\nA/a.mp3\r\n#EXTINF:215,Artist - B\r\n"
            "B/b (1).mp3\r\nB/skip (1).mp3\r\n");
  EXPECT_EQ(readFile(dst / "B" / "b (1).mp3"), "new B/b.mp3");
  EXPECT_FALSE(r.display.log.empty());
  bool logged = false;
  for (const std::string& line : r.display.log)
    if (line.find(LangFormat(424, {(dst / "Tavel.m3u").string()})) != std::string::npos &&
        line.ends_with(kDone))
      logged = true;
  EXPECT_TRUE(logged);

  // A second run with "skip": the files found there still belong in the playlist, which
  // replaces the first one.
  r.params.ifExistsCopy = existsSkip;
  r.entries.list.SelectIndex(2);
  r.entries.list.Cursor->SetFlags(0);  // the missing one unticked
  r.go();
  EXPECT_EQ(playlistPaths(dst / "Tavel.m3u"),
            (std::vector<std::string>{"A/a.mp3", "B/b.mp3", "B/skip.mp3"}));
  EXPECT_EQ(r.engine.arrivals().size(), 3u);
}

TEST(DevicePlaylist, NotWrittenThroughALinkNorOverAFileOfTheRunNorWhenOff) {
  TempDir tmp;
  EngineRig r;
  r.engine.SetMediumProfile(LinuxMedium());
  const fs::path dst = tmp / "dst";
  fs::create_directories(dst);
  fs::create_directories(tmp / "outside");
  writeFile(tmp / "outside" / "victim.m3u", "keep me");
  fs::create_symlink(tmp / "outside" / "victim.m3u", dst / "Tavel.m3u");
  writeFile(tmp / "src" / "a.mp3", "a");
  r.entries.add((tmp / "src/a.mp3").string(), 0);
  r.params.destination = dst.string();
  r.params.writeDevicePlaylist = true;
  r.go();
  EXPECT_EQ(readFile(tmp / "outside" / "victim.m3u"), "keep me");
  EXPECT_TRUE(fs::is_symlink(dst / "Tavel.m3u"));
  EXPECT_EQ(r.engine.failures(), 1);
  EXPECT_EQ(r.display.headers.back(), LangFormat(391, {1}));

  // A playlist of the list copied under the playlist's own name is not overwritten.
  TempDir tmp2;
  EngineRig r2;
  r2.engine.SetMediumProfile(LinuxMedium());
  writeFile(tmp2 / "src" / "list.m3u", "the user's own playlist");
  r2.entries.add((tmp2 / "src/list.m3u").string(), 0);
  r2.params.destination = (tmp2 / "dst").string();
  r2.params.writeDevicePlaylist = true;
  r2.params.devicePlaylistName = "list.m3u";
  r2.go();
  EXPECT_EQ(readFile(tmp2 / "dst" / "list.m3u"), "the user's own playlist");
  EXPECT_EQ(r2.engine.failures(), 1);

  // Off: nothing beyond the songs.
  TempDir tmp3;
  EngineRig r3;
  r3.engine.SetMediumProfile(LinuxMedium());
  writeFile(tmp3 / "src" / "a.mp3", "a");
  r3.entries.add((tmp3 / "src/a.mp3").string(), 0);
  r3.params.destination = (tmp3 / "dst").string();
  r3.go();
  EXPECT_EQ(namesIn(tmp3 / "dst"), std::set<std::string>{"a.mp3"});
}

TEST(DevicePlaylist, ThirtySongsOnARealExFatStickReadBackByTheImport) {
  LoopMedium medium(LoopMedium::ExFat, 64);
  if (!medium.missing().empty()) GTEST_SKIP() << "no real exFAT medium: " << medium.missing();
  TempDir tmp;
  EngineRig r;
  std::vector<std::string> names;
  for (int i = 0; i < 30; ++i) {
    // Names the medium must change, names that differ only by case, folders of their own.
    // Each source a file of its own; the nearest folder, and so the destination, shared.
    std::string name = std::to_string(i) + "/Artist " + std::to_string(i % 4) + "/";
    if (i % 5 == 0)
      name += "Song: " + std::to_string(i) + "?.mp3";
    else if (i % 7 == 0)
      name += "Песня " + std::to_string(i) + ".mp3";
    else
      name += "song " + std::to_string(i % 3) + ".mp3";  // repeats: numbered names
    names.push_back(name);
  }
  for (int i = 0; i < 30; ++i) {
    writeFile(tmp / "src" / names[static_cast<std::size_t>(i)], "song number " + std::to_string(i));
    r.entries.add((tmp / "src" / names[static_cast<std::size_t>(i)]).string(), 0, true,
                  "Title " + std::to_string(i));
  }
  r.params.destination = medium.path("Music");
  r.params.folderLayout = layoutNearestFolder;
  r.params.ifExistsCopy = existsRename;
  r.params.writeDevicePlaylist = true;
  r.go();
  ASSERT_EQ(r.engine.failures(), 0);
  ASSERT_EQ(r.engine.arrivals().size(), 30u);

  // The program's own import, from the stick.
  TkroPlayList back;
  TFileAdder adder{[&] { return &back; }, nullptr};
  ImportM3U(adder, medium.path("Music/Tavel.m3u"));
  ASSERT_EQ(back.EntryCount(), 30);
  std::set<std::string> listed;
  for (int i = 0; i < 30; ++i) {
    back.SelectIndex(i);
    const std::string path = back.Cursor->GetOrigin();
    // Each entry is the file with the i-th song, in list order, with its title.
    EXPECT_EQ(readFile(path), "song number " + std::to_string(i)) << path;
    EXPECT_EQ(back.Cursor->GetDescr(), "Title " + std::to_string(i));
    listed.insert(fs::path(path).lexically_normal().string());
  }
  std::set<std::string> onStick;
  for (const auto& e : fs::recursive_directory_iterator(medium.path("Music")))
    if (e.is_regular_file() && e.path().filename() != "Tavel.m3u")
      onStick.insert(e.path().string());
  EXPECT_EQ(listed, onStick);
}
