#include "operation/medium_names.h"

#include <gtest/gtest.h>

#include "operation/dest_path.h"
#include "operation/operation_parameters.h"
#include "test_support.h"

namespace {

MediumProfile windowsMedium() {
  MediumProfile m;
  m.fsType = "exfat";
  m.windowsNames = true;
  m.ignoresCase = true;
  m.limitInUtf16 = true;
  return m;
}

MediumProfile linuxMedium() {
  MediumProfile m;
  m.fsType = "ext4";
  return m;
}

std::string destOn(const MediumProfile& m, const std::string& origin, const OperationParameters& p,
                   const std::string& descr = "") {
  NumberingState numbering;
  return EntryDestination("/dst", origin, descr, p, numbering, &m);
}

std::string cyrillic(int letters) {
  std::string s;
  for (int i = 0; i < letters; ++i) s += "ж";
  return s;
}

}  // namespace

TEST(MediumNames, WindowsMediumCleansEveryComponent) {
  const MediumProfile m = windowsMedium();
  EXPECT_EQ(MediumComponent("What?", m, '_', false), "What_");
  EXPECT_EQ(MediumComponent("a:b.mp3", m, '_', true), "a_b.mp3");
  EXPECT_EQ(MediumComponent("say \"hi\" <*>|\\", m, '\0', true), "say hi");
  EXPECT_EQ(MediumComponent("tab\there\x01.mp3", m, '_', true), "tabhere.mp3");
  // Trailing dots and spaces go, also those left in front of a cut character.
  EXPECT_EQ(MediumComponent("Album. . ", m, '_', false), "Album");
  EXPECT_EQ(MediumComponent("name.", m, '_', true), "name");
  EXPECT_EQ(MediumComponent("What ?", m, '\0', false), "What");
  // Names with nothing left are "_".
  EXPECT_EQ(MediumComponent("...", m, '_', false), "_");
  EXPECT_EQ(MediumComponent("???", m, '\0', true), "_");
  // Device names keep their extension and get "_".
  EXPECT_EQ(MediumComponent("CON.mp3", m, '_', true), "CON_.mp3");
  EXPECT_EQ(MediumComponent("lpt9", m, '_', false), "lpt9_");
  EXPECT_EQ(MediumComponent("Com1 .x.mp3", m, '_', true), "Com1 _.x.mp3");
  EXPECT_EQ(MediumComponent("COM0.mp3", m, '_', true), "COM0.mp3");
  EXPECT_EQ(MediumComponent("CONSOLE.mp3", m, '_', true), "CONSOLE.mp3");
  EXPECT_TRUE(IsReservedDeviceName("nul"));
  EXPECT_FALSE(IsReservedDeviceName("nulx"));
  // Bytes that are not UTF-8 are Windows-1251 text.
  EXPECT_EQ(MediumComponent("\xcf\xe5\xf1\xed\xff.mp3", m, '_', true), "Песня.mp3");
  // Cyrillic stays as it is.
  EXPECT_EQ(MediumComponent("Ёлка: зима", m, '_', false), "Ёлка_ зима");
}

TEST(MediumNames, LongNamesAreCutToUtf16UnitsKeepingTheExtension) {
  const MediumProfile m = windowsMedium();
  // 250 Cyrillic letters are 500 bytes but 250 units: they fit.
  const std::string fits = cyrillic(250) + ".mp3";
  EXPECT_EQ(MediumComponent(fits, m, '_', true), fits);
  const std::string longer = cyrillic(300) + ".mp3";
  const std::string cut = MediumComponent(longer, m, '_', true);
  EXPECT_EQ(cut, cyrillic(251) + ".mp3");
  EXPECT_EQ(Utf16Units(cut), 255u);
  // A character beyond U+FFFF takes two units and is never split.
  std::string wide;
  for (int i = 0; i < 130; ++i) wide += "\xF0\x9F\x8E\xB5";  // U+1F3B5
  EXPECT_EQ(Utf16Units(wide), 260u);
  const std::string wideCut = MediumComponent(wide, m, '_', false);
  EXPECT_EQ(Utf16Units(wideCut), 254u);
  EXPECT_EQ(wideCut.size(), 127u * 4);
  // A cut that ends before spaces or dots drops them too.
  const std::string spaced = std::string(250, 'a') + "     b" + std::string(10, 'c') + ".mp3";
  EXPECT_EQ(MediumComponent(spaced, m, '_', true), std::string(250, 'a') + ".mp3");
  // Folder names are cut whole, without looking for an extension.
  EXPECT_EQ(MediumComponent(std::string(300, 'f') + ".d", m, '_', false), std::string(255, 'f'));
}

TEST(MediumNames, LinuxMediumKeepsEveryName) {
  const MediumProfile m = linuxMedium();
  for (const char* name : {"a:b.mp3", "What?", "trail. ", "CON.mp3", "back\\slash", "\xff\xfe"})
    EXPECT_EQ(MediumComponent(name, m, '_', true), name);
  EXPECT_EQ(MediumRelativePath("Live: 1999/a?.mp3", m, '_'), "Live: 1999/a?.mp3");
}

TEST(MediumNames, EveryLayoutWithAndWithoutRenamingGivesAcceptedNames) {
  const MediumProfile win = windowsMedium();
  const MediumProfile lin = linuxMedium();
  OperationParameters p;
  p.renameEnabled = false;
  const std::string origin = "/m/What?/Live: 1999/back\\slash/a:b .mp3";
  p.folderLayout = layoutAllInRoot;
  EXPECT_EQ(destOn(win, origin, p), "/dst/a_b .mp3");
  EXPECT_EQ(destOn(lin, origin, p), "/dst/a:b .mp3");
  p.folderLayout = layoutFullPath;
  EXPECT_EQ(destOn(win, origin, p), "/dst/m/What_/Live_ 1999/back_slash/a_b .mp3");
  EXPECT_EQ(destOn(lin, origin, p), "/dst/m/What?/Live: 1999/back\\slash/a:b .mp3");
  p.folderLayout = layoutNearestFolder;
  EXPECT_EQ(destOn(win, origin, p), "/dst/back_slash/a_b .mp3");
  EXPECT_EQ(destOn(lin, origin, p), "/dst/back\\slash/a:b .mp3");
  p.folderLayout = layoutLevels;
  p.folderLevels = "3";
  EXPECT_EQ(destOn(win, origin, p), "/dst/What_/Live_ 1999/back_slash/a_b .mp3");
  EXPECT_EQ(destOn(lin, origin, p), "/dst/What?/Live: 1999/back\\slash/a:b .mp3");

  // Renaming on: the chosen rule also cleans the folders; with no rule chosen the
  // medium still gets '_'.
  p.renameEnabled = true;
  p.renameByDescription = true;
  p.invalidCharRule = invalidRemove;
  EXPECT_EQ(destOn(win, origin, p, "AC/DC: Live"), "/dst/What/Live 1999/backslash/ACDC Live.mp3");
  p.invalidCharRule = invalidSpace;
  EXPECT_EQ(destOn(win, origin, p, "Q?"), "/dst/What/Live  1999/back slash/Q.mp3");
  p.invalidCharRule = -1;
  EXPECT_EQ(destOn(win, origin, p, "CON"), "/dst/What_/Live_ 1999/back_slash/CON_.mp3");
  // On a Linux medium the renaming rules alone decide.
  EXPECT_EQ(destOn(lin, origin, p, "x:y"), "/dst/What?/Live: 1999/back\\slash/x:y.mp3");

  // A Windows path from a playlist: both separators count, the drive is a folder.
  p.renameEnabled = false;
  p.folderLayout = layoutFullPath;
  EXPECT_EQ(destOn(win, "C:\\Music\\Album?\\song.mp3", p), "/dst/C/Music/Album_/song.mp3");
  p.folderLayout = layoutNearestFolder;
  EXPECT_EQ(destOn(lin, "C:\\Music\\Album\\song.mp3", p), "/dst/Album/song.mp3");
}

TEST(MediumNames, CaseFoldingAndWrittenFiles) {
  EXPECT_EQ(FoldCase("Song.MP3"), "song.mp3");
  EXPECT_EQ(FoldCase("ПЕСНЯ Ёж ÄÖ"), "песня ёж äö");
  EXPECT_EQ(FoldCase("\xff"
                     "A"),
            "\xff"
            "a");
  EXPECT_NE(FoldCase("ß"), FoldCase("SS"));

  TempDir tmp;
  writeFile(tmp / "Song.mp3", "x");
  writeFile(tmp / "other.mp3", "y");
  WrittenFiles written;
  written.reset(true);
  written.add((tmp / "Song.mp3").string());
  // Another spelling of the name is the same file on a medium that ignores case.
  EXPECT_TRUE(written.contains((tmp / "SONG.mp3").string()));
  EXPECT_FALSE(written.contains((tmp / "other.mp3").string()));
  // A second path to the same file (here a hard link) is found by identity.
  std::filesystem::create_hard_link(tmp / "Song.mp3", tmp / "link.mp3");
  EXPECT_TRUE(written.contains((tmp / "link.mp3").string()));
  // Where case matters, the other spelling is another file.
  written.reset(false);
  written.add((tmp / "Song.mp3").string());
  EXPECT_FALSE(written.contains((tmp / "SONG.mp3").string()));
  EXPECT_TRUE(written.contains((tmp / "Song.mp3").string()));
}
