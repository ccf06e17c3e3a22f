#include "operation/dest_path.h"

#include <gtest/gtest.h>

#include "operation/operation_parameters.h"
#include "test_support.h"

namespace {

std::string destOf(const std::string& origin, const std::string& descr,
                   const OperationParameters& p, NumberingState& n,
                   const std::string& root = "/dst") {
  return EntryDestination(root, origin, descr, p, n);
}

std::string destOf(const std::string& origin, const std::string& descr,
                   const OperationParameters& p) {
  NumberingState n;
  return destOf(origin, descr, p, n);
}

OperationParameters renaming() {
  OperationParameters p;
  p.renameEnabled = true;
  p.renameByDescription = false;
  return p;
}

}  // namespace

TEST(PathTail, KeepsTheLastFoldersUpToTheDriveOrTheShare) {
  const std::string song = "C:\\Music\\Artist\\Album\\song.mp3";
  EXPECT_EQ(PathTail(song, 1), "Album");
  EXPECT_EQ(PathTail(song, 2), "Artist\\Album");
  for (int n = 3; n <= 6; ++n) EXPECT_EQ(PathTail(song, n), "Music\\Artist\\Album") << n;
  EXPECT_EQ(PathTail("C:\\song.mp3", 1), "");
  EXPECT_EQ(PathTail("\\\\server\\share\\a\\b.mp3", 6), "server\\share\\a");
  EXPECT_EQ(PathTail("song.mp3", 3), "");
  // This platform's paths.
  EXPECT_EQ(PathTail("/home/u/Music/Album/song.mp3", 1), "Album");
  EXPECT_EQ(PathTail("/home/u/Music/Album/song.mp3", 2), "Music/Album");
  EXPECT_EQ(PathTail("/home/u/Music/Album/song.mp3", 6), "/home/u/Music/Album");
  EXPECT_EQ(PathTail("/song.mp3", 1), "");
  EXPECT_EQ(PathTail("C:song.mp3", 1), "");
  // Outside Windows paths ':' and '\\' are characters of a folder name, and "//" is one
  // separator.
  EXPECT_EQ(PathTail("/m/Live: 1999/back\\slash/a.mp3", 2), "Live: 1999/back\\slash");
  EXPECT_EQ(PathTail("/m/A//B/a.mp3", 2), "A//B");
  EXPECT_EQ(PathTail("Music\\song.mp3", 1), "");
  EXPECT_EQ(PathTail("D:/Music/Album/song.mp3", 1), "Album");
}

TEST(PathParts, ExtensionAndNameFollowTheLastSeparatorDotOrColon) {
  EXPECT_EQ(PathExtension("/a/b/song.mp3"), ".mp3");
  EXPECT_EQ(PathExtension("/a.b/song"), "");
  EXPECT_EQ(PathExtension("C:\\a.b\\song"), "");
  EXPECT_EQ(PathExtension("C:x"), "");
  EXPECT_EQ(PathExtension("/a/.hidden"), ".hidden");
  EXPECT_EQ(PathExtension("/a/song."), ".");
  EXPECT_EQ(PathBaseName("/a/b/song.mp3"), "song");
  EXPECT_EQ(PathBaseName("C:\\x\\tune.ogg"), "tune");
  EXPECT_EQ(PathBaseName("C:tune.ogg"), "C:tune");
  EXPECT_EQ(PathBaseName("/m/a:b.mp3"), "a:b");
  EXPECT_EQ(PathBaseName("/m/back\\slash.mp3"), "back\\slash");
  EXPECT_EQ(PathExtension("/m/x.y\\z"), ".y\\z");
  EXPECT_EQ(PathBaseName("\\\\server\\share\\b.mp3"), "b");
  EXPECT_EQ(PathDirectoryPart("/m/Live: 1999/a.mp3"), "/m/Live: 1999/");
  EXPECT_EQ(PathBaseName("/a/.hidden"), "");
  EXPECT_EQ(PathDirectoryPart("/a/b/song.mp3"), "/a/b/");
  EXPECT_EQ(PathDirectoryPart("song.mp3"), "");
}

TEST(FolderLayouts, EachLayoutPlacesTheFileAsChosen) {
  OperationParameters p;
  const std::string origin = "/home/u/Music/Artist/Album/song.mp3";
  p.folderLayout = layoutAllInRoot;
  EXPECT_EQ(destOf(origin, "", p), "/dst/song.mp3");
  p.folderLayout = layoutFullPath;
  EXPECT_EQ(destOf(origin, "", p), "/dst/home/u/Music/Artist/Album/song.mp3");
  p.folderLayout = layoutNearestFolder;
  EXPECT_EQ(destOf(origin, "", p), "/dst/Album/song.mp3");
  EXPECT_EQ(destOf("C:\\Music\\Artist\\Album\\song.mp3", "", p), "/dst/Album/song.mp3");
  p.folderLayout = layoutLevels;
  p.folderLevels = "2";
  EXPECT_EQ(destOf(origin, "", p), "/dst/Artist/Album/song.mp3");
  p.folderLevels = "3";  // the default item
  EXPECT_EQ(destOf(origin, "", p), "/dst/Music/Artist/Album/song.mp3");
  p.folderLevels = "6";
  EXPECT_EQ(destOf(origin, "", p), "/dst/home/u/Music/Artist/Album/song.mp3");
  // A root typed with trailing separators, or the root folder of a drive, is not doubled.
  p.folderLayout = layoutNearestFolder;
  NumberingState n;
  EXPECT_EQ(destOf(origin, "", p, n, "/media/stick//"), "/media/stick/Album/song.mp3");
  // A file in the root of its file system has no folder to keep.
  EXPECT_EQ(destOf("/song.mp3", "", p), "/dst/song.mp3");
  // Without renaming the description plays no part.
  EXPECT_EQ(destOf(origin, "Other: name", p), "/dst/Album/song.mp3");
}

TEST(Renaming, DescriptionLeadingNumberAndTrimming) {
  OperationParameters p = renaming();
  p.renameByDescription = true;
  EXPECT_EQ(destOf("/m/a.mp3", "Artist - Title", p), "/dst/Artist - Title.mp3");
  // An empty description leaves only the extension.
  EXPECT_EQ(destOf("/m/a.mp3", "", p), "/dst/.mp3");
  // Spaces and control characters at the ends go, inner ones stay.
  EXPECT_EQ(destOf("/m/a.mp3", " \t A  B \r", p), "/dst/A  B.mp3");
  // A name that ends up empty gives the folder and the extension.
  p.folderLayout = layoutNearestFolder;
  EXPECT_EQ(destOf("/m/Album/a.mp3", "   ", p), "/dst/Album/.mp3");

  p = renaming();
  p.deleteLeadingNumber = true;
  EXPECT_EQ(destOf("/m/01 - Intro.mp3", "", p), "/dst/- Intro.mp3");
  EXPECT_EQ(RemoveLeadingDigits("01 - Intro"), " - Intro");
  EXPECT_EQ(RemoveLeadingDigits("2001.A Space"), ".A Space");
  EXPECT_EQ(RemoveLeadingDigits("123"), "");
  EXPECT_EQ(RemoveLeadingDigits("Track 5"), "Track 5");
}

TEST(Renaming, NumbersArePaddedToTheWidthOfTheCount) {
  EXPECT_EQ(NumberWidth(0), 1);
  EXPECT_EQ(NumberWidth(9), 1);
  EXPECT_EQ(NumberWidth(10), 2);
  EXPECT_EQ(NumberWidth(99), 2);
  EXPECT_EQ(NumberWidth(100), 3);
  EXPECT_EQ(NumberWidth(120), 3);

  OperationParameters p = renaming();
  p.numberItems = true;
  NumberingState n{1, NumberWidth(120)};
  EXPECT_EQ(destOf("/m/x.mp3", "", p, n), "/dst/001 x.mp3");
  for (int i = 2; i < 120; ++i) destOf("/m/x.mp3", "", p, n);
  EXPECT_EQ(destOf("/m/x.mp3", "", p, n), "/dst/120 x.mp3");
  EXPECT_EQ(n.counter, 121);

  // The space left by the removed digits stays inside the name.
  p.deleteLeadingNumber = true;
  NumberingState first{1, 3};
  EXPECT_EQ(destOf("/m/07 Song.mp3", "", p, first), "/dst/001  Song.mp3");

  // Numbers are only put in front when renaming is on.
  p.renameEnabled = false;
  NumberingState off{1, 3};
  EXPECT_EQ(destOf("/m/07 Song.mp3", "", p, off), "/dst/07 Song.mp3");
  EXPECT_EQ(off.counter, 1);
}

TEST(Renaming, InvalidCharactersByRule) {
  OperationParameters p = renaming();
  p.renameByDescription = true;
  p.invalidCharRule = invalidUnderline;
  EXPECT_EQ(destOf("/m/a.mp3", "AC/DC: Live", p), "/dst/AC_DC_ Live.mp3");
  p.invalidCharRule = invalidRemove;
  EXPECT_EQ(destOf("/m/a.mp3", "AC/DC: Live", p), "/dst/ACDC Live.mp3");
  p.invalidCharRule = invalidSpace;
  EXPECT_EQ(destOf("/m/a.mp3", "AC/DC: Live", p), "/dst/AC DC  Live.mp3");

  const std::string all = "a\"b*c/d:e<f>g?h\\i|j";
  EXPECT_TRUE(HasInvalidChars(all));
  EXPECT_FALSE(HasInvalidChars("Кино - Группа крови (1988) [remaster] #1!.mp3"));
  EXPECT_EQ(RemoveInvalidChars(all), "abcdefghij");
  EXPECT_EQ(ReplaceInvalidChars(all, '_'), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(ReplaceInvalidChars(all, '_').size(), all.size());
  // Multi-byte characters are left whole.
  EXPECT_EQ(ReplaceInvalidChars("Ария: Герой", '_'), "Ария_ Герой");
}

TEST(Renaming, StepsApplyInOrder) {
  // Description, then leading number, then the running number, then invalid characters,
  // then trimming.
  OperationParameters p = renaming();
  p.renameByDescription = true;
  p.deleteLeadingNumber = true;
  p.numberItems = true;
  p.invalidCharRule = invalidRemove;
  NumberingState n{7, 2};
  EXPECT_EQ(destOf("/m/99 x.mp3", "12 A?B ", p, n), "/dst/07  AB.mp3");
  EXPECT_EQ(n.counter, 8);
}

TEST(DestinationSafety, PathsOutsideTheRootAreRefused) {
  OperationParameters p = renaming();
  p.renameByDescription = true;
  p.invalidCharRule = -1;  // no rule chosen: the name would keep its separators
  EXPECT_EQ(destOf("/m/noext", "..", p), "");
  EXPECT_EQ(destOf("/m/noext", ".", p), "");
  EXPECT_EQ(destOf("/m/a.mp3", "../x", p), "");
  EXPECT_EQ(destOf("/m/a.mp3", "../../etc/passwd", p), "");
  EXPECT_EQ(destOf("/m/noext", "", p), "");  // no name at all
  // ".." followed by the extension is an ordinary name.
  EXPECT_EQ(destOf("/m/a.mp3", "..", p), "/dst/...mp3");
  p.invalidCharRule = invalidUnderline;
  EXPECT_EQ(destOf("/m/a.mp3", "../x", p), "/dst/.._x.mp3");

  OperationParameters full;
  full.folderLayout = layoutFullPath;
  EXPECT_EQ(destOf("/a/../../etc/x.mp3", "", full), "");
  EXPECT_EQ(destOf("/a/./x.mp3", "", full), "/dst/a/x.mp3");
  OperationParameters nearest;
  nearest.folderLayout = layoutNearestFolder;
  EXPECT_EQ(destOf("/a/../x.mp3", "", nearest), "");
  EXPECT_EQ(destOf("/a/..b/x.mp3", "", nearest), "/dst/..b/x.mp3");

  EXPECT_TRUE(IsSafeRelativeFilePath("a/b.mp3"));
  EXPECT_TRUE(IsSafeRelativeFilePath("a//b.mp3"));
  EXPECT_FALSE(IsSafeRelativeFilePath("a/"));
  EXPECT_FALSE(IsSafeRelativeFilePath("a/../b"));
}

TEST(MakeUniqueName, TakesTheFirstFreeNumber) {
  TempDir dir;
  const std::string song = (dir / "song.mp3").string();
  EXPECT_EQ(MakeUniqueName(song), (dir / "song (1).mp3").string());
  writeFile(dir / "song (1).mp3", "x");
  EXPECT_EQ(MakeUniqueName(song), (dir / "song (2).mp3").string());
  // A folder of the candidate's name takes the name too.
  std::filesystem::create_directory(dir / "song (2).mp3");
  EXPECT_EQ(MakeUniqueName(song), (dir / "song (3).mp3").string());
  // Without an extension the number goes at the end.
  const std::string plain = (dir / "readme").string();
  EXPECT_EQ(MakeUniqueName(plain), plain + " (1)");
  // A dot in a folder name is no extension.
  std::filesystem::create_directory(dir / "v1.0");
  EXPECT_EQ(MakeUniqueName((dir / "v1.0" / "notes").string()),
            (dir / "v1.0" / "notes (1)").string());
  // A dangling symbolic link occupies its name too.
  std::filesystem::create_symlink(dir / "nowhere", dir / "song (3).mp3");
  writeFile(dir / "song (2).mp3.x", "");
  std::filesystem::remove(dir / "song (2).mp3");
  writeFile(dir / "song (2).mp3", "x");
  EXPECT_EQ(MakeUniqueName(song), (dir / "song (4).mp3").string());
}

TEST(DestinationSafety, DotComponentsResolveAndOnlyAPathOutsideOrWithoutANameIsRefused) {
  OperationParameters full;
  full.folderLayout = layoutFullPath;
  // Playlist lines "./y.mp3" and "../Album/x.mp3" read next to /m/list.
  EXPECT_EQ(destOf("/m/list/./y.mp3", "", full), "/dst/m/list/y.mp3");
  EXPECT_EQ(destOf("/m/list/../Album/x.mp3", "", full), "/dst/m/Album/x.mp3");
  EXPECT_EQ(destOf("/../x.mp3", "", full), "");
  OperationParameters p = renaming();
  p.renameByDescription = true;
  p.invalidCharRule = -1;
  EXPECT_EQ(destOf("/m/a.mp3", "sub/../b", p), "/dst/b.mp3");
  EXPECT_EQ(destOf("/m/a.mp3", "sub/./b", p), "/dst/sub/b.mp3");
  EXPECT_EQ(destOf("/m/noext", "sub/..", p), "");
  EXPECT_EQ(destOf("/m/noext", "sub/", p), "");

  EXPECT_EQ(ResolveRelativeFilePath("a/./b/../c.mp3"), "a/c.mp3");
  EXPECT_EQ(ResolveRelativeFilePath("a//b.mp3"), "a/b.mp3");
  EXPECT_EQ(ResolveRelativeFilePath("a/../../b.mp3"), "");
  EXPECT_EQ(ResolveRelativeFilePath("a/b/.."), "");
  EXPECT_EQ(ResolveRelativeFilePath("a/."), "");
  EXPECT_EQ(ResolveRelativeFilePath(std::string("a\0b.mp3", 7)), "");
}

TEST(MakeUniqueName, AnythingTakesANameNumberingGoesOnAndAlwaysEnds) {
  TempDir dir;
  const std::string song = (dir / "song.mp3").string();
  writeFile(song, "s");
  std::filesystem::create_directory(dir / "song (1).mp3");
  std::filesystem::create_symlink(dir / "song (1).mp3", dir / "song (2).mp3");
  EXPECT_EQ(MakeUniqueName(song), (dir / "song (3).mp3").string());
  // Within one run the numbers go on from the last one given, without looking again at
  // the numbers below it.
  UniqueNameState run;
  EXPECT_EQ(MakeUniqueName(song, &run), (dir / "song (3).mp3").string());
  EXPECT_EQ(MakeUniqueName(song, &run), (dir / "song (4).mp3").string());
  writeFile(dir / "song (5).mp3", "x");
  EXPECT_EQ(MakeUniqueName(song, &run), (dir / "song (6).mp3").string());
  EXPECT_EQ(MakeUniqueName((dir / "other.mp3").string(), &run), (dir / "other (1).mp3").string());

  // A NUL byte: the system would see "a", which stands there; the search ends at once.
  writeFile(dir / "a", "a");
  EXPECT_EQ(MakeUniqueName((dir / "a").string() + std::string(1, '\0') + "b.mp3"), "");

  // Names at the length limit are shortened before the number, keeping the extension and
  // whole UTF-8 characters.
  const std::string longName = std::string(251, 'x') + ".mp3";
  const std::string numbered = MakeUniqueName((dir / longName).string());
  const std::string numberedName = std::filesystem::path(numbered).filename().string();
  EXPECT_EQ(numberedName, std::string(247, 'x') + " (1).mp3");
  std::string cyrillic;
  for (int i = 0; i < 125; ++i) cyrillic += "я";
  const std::string cutName =
      std::filesystem::path(MakeUniqueName((dir / (cyrillic + ".mp3")).string())).filename();
  EXPECT_EQ(cutName, cyrillic.substr(0, 246) + " (1).mp3");
  writeFile(dir / cutName, "fits");
  EXPECT_EQ(readFile(dir / cutName), "fits");
  EXPECT_EQ(FitNameLength("abc", ".mp3", 6), "ab.mp3");
  EXPECT_EQ(FitNameLength("яя", ".mp3", 7), "я.mp3");

  // A running number in front of a long name: the name is shortened the same way.
  OperationParameters p = renaming();
  p.renameByDescription = false;
  p.numberItems = true;
  NumberingState n{1, 3};
  const std::string dest = destOf("/m/" + longName, "", p, n);
  EXPECT_EQ(dest, "/dst/001 " + std::string(247, 'x') + ".mp3");
}
