#include "worklist/add_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "add_test_support.h"
#include "lang/lang.h"

namespace fs = std::filesystem;

namespace {

struct Adding : ::testing::Test {
  TempDir dir;
  TkroPlayList list;
  RecordingView view;
  TFileAdder adder{[this] { return &list; }, &view};
  std::string base() const { return dir.str() + "/music"; }
};

TEST_F(Adding, FolderDescriptionsComeFromTagsOrNames) {
  WriteAudio(dir / "music/a.mp3", Id3Block("Song", "  Artist   ", ' '));
  WriteAudio(dir / "music/b.MP3");                             // no tag
  WriteAudio(dir / "music/c.ogg", Id3Block("Ogg", "Tagged"));  // tags only read for mp3
  WriteAudio(dir / "music/d.mp3", Id3Block("Song", ""));       // empty artist
  WriteAudio(dir / "music/e.mp3", Id3Block("", "", ' '));      // both fields empty
  WriteAudio(dir / "music/name.with.dots.mp3");
  WriteAudio(dir / "music/tiny.mp3", "", 10);  // shorter than a tag

  adder.AddFolder(base(), "", false, true, true);

  EXPECT_EQ(Descriptions(list), (std::vector<std::string>{"Artist - Song", "b", "c", " - Song", "e",
                                                          "name.with.dots", "tiny"}));
  const auto entries = Snapshot(list);
  EXPECT_EQ(entries[0].origin, base() + "/a.mp3");
  EXPECT_EQ(entries[0].size, static_cast<std::int64_t>(2000 + 128));
  EXPECT_EQ(entries[6].size, 10);
  for (const auto& e : entries) {
    EXPECT_EQ(e.dest, "");
    EXPECT_EQ(e.length, 0);
    EXPECT_EQ(e.flags, 0);
  }
  // Every entry got its row, in list order.
  ASSERT_EQ(view.rows.size(), 7u);
  list.SelectIndex(3);
  EXPECT_EQ(view.rows[3], list.Cursor->Id);

  // Without the ID3v1 option the names are used.
  list.ClearEntries();
  adder.AddFolder(base(), "", false, true, false);
  EXPECT_EQ(Descriptions(list)[0], "a");
}

TEST_F(Adding, FolderScanRunsInTheBracketAndEndsWithItsCount) {
  WriteAudio(dir / "music/1.mp3");
  WriteAudio(dir / "music/2.mp3");
  adder.AddFolder(base(), "", false, true, true);
  ASSERT_GE(view.calls.size(), 2u);
  EXPECT_EQ(view.calls.front(), "begin:" + LangFormat(142, {base()}));
  EXPECT_EQ(view.calls.back(), "end:" + LangString(143));
  EXPECT_EQ(view.counts.back(), 2);
  EXPECT_EQ(view.panels[1], "2");

  // The counter belongs to one scan: adding the same folder again doubles the entries
  // but counts only the second scan.
  adder.AddFolder(base(), "", false, true, true);
  EXPECT_EQ(list.EntryCount(), 4);
  EXPECT_EQ(view.counts.back(), 2);
  const auto e = Snapshot(list);
  EXPECT_EQ(e[0].origin, e[2].origin);
}

TEST_F(Adding, MissingOrEmptyFolderAddsNothingAndStillEnds) {
  adder.AddFolder(dir.str() + "/nowhere", "", false, true, true);
  EXPECT_EQ(list.EntryCount(), 0);
  EXPECT_EQ(view.calls.back(), "end:" + LangString(143));
  EXPECT_EQ(view.counts.back(), 0);
  EXPECT_EQ(view.panels[1], "");

  // An empty folder text is no folder: the working folder is not scanned instead.
  const fs::path cwd = fs::current_path();
  WriteAudio(dir / "here.mp3");
  fs::current_path(dir.path());
  adder.AddFolder("", "", false, true, true);
  fs::current_path(cwd);
  EXPECT_EQ(list.EntryCount(), 0);
  EXPECT_EQ(view.calls.back(), "end:" + LangString(143));
}

TEST_F(Adding, TrailingSeparatorsAndEmptyMaskTakeEveryFile) {
  WriteAudio(dir / "music/x.mp3");
  WriteAudio(dir / "music/notes.txt");
  WriteAudio(dir / "music/.hidden.mp3");
  adder.AddFolder(base() + "//", "", false, false, true);
  const auto e = Snapshot(list);
  ASSERT_EQ(e.size(), 3u);
  std::vector<std::string> origins;
  for (const auto& x : e) origins.push_back(x.origin);
  EXPECT_EQ(origins, (std::vector<std::string>{base() + "/.hidden.mp3", base() + "/notes.txt",
                                               base() + "/x.mp3"}));
  EXPECT_EQ(view.calls.front(), "begin:" + LangFormat(142, {base() + "//"}));
}

TEST_F(Adding, MaskAppliesToFilesButEverySubfolderIsVisited) {
  WriteAudio(dir / "music/top.mp3");
  WriteAudio(dir / "music/top.txt");
  WriteAudio(dir / "music/docs/readme.txt");       // a folder without matches
  WriteAudio(dir / "music/docs/deeper/deep.MP3");  // is still searched below
  WriteAudio(dir / "music/album/01.mp3");
  WriteAudio(dir / "music/album/cover.jpg");

  adder.AddFolder(base(), "*.mp3", false, true, true);
  std::vector<std::string> rel;
  for (const auto& e : Snapshot(list)) rel.push_back(e.origin.substr(base().size()));
  // The folder's own files first, then each subfolder depth first, in name order.
  EXPECT_EQ(rel, (std::vector<std::string>{"/top.mp3", "/album/01.mp3", "/docs/deeper/deep.MP3"}));

  list.ClearEntries();
  adder.AddFolder(base(), "*.mp3", false, false, true);
  EXPECT_EQ(list.EntryCount(), 1);
}

TEST_F(Adding, SetMarkChoiceOfTheLastScanAppliesToLaterFiles) {
  WriteAudio(dir / "music/a.mp3");
  WriteAudio(dir / "single.mp3");
  // Before any scan single files are not marked.
  adder.AddFiles({(dir / "single.mp3").string()});
  adder.AddFolder(base(), "", true, true, true);
  adder.AddFiles({(dir / "single.mp3").string()});
  adder.AddFolder(base(), "", false, true, true);
  adder.AddFiles({(dir / "single.mp3").string()});
  const auto e = Snapshot(list);
  ASSERT_EQ(e.size(), 5u);
  EXPECT_EQ(e[0].flags, 0);
  EXPECT_EQ(e[1].flags, FLAG_MARKED);
  EXPECT_EQ(e[2].flags, FLAG_MARKED);
  EXPECT_EQ(e[3].flags, 0);
  EXPECT_EQ(e[4].flags, 0);
}

TEST_F(Adding, FilesOfTwoGigabytesAndMoreKeepTheirRealSize) {
  const fs::path big = dir / "music/big.mp3";
  fs::create_directories(big.parent_path());
  writeFile(big, "x");
  const std::int64_t size = 3LL * 1024 * 1024 * 1024 + 5;  // sparse: no disk space used
  fs::resize_file(big, static_cast<std::uintmax_t>(size));
  adder.AddFolder(base(), "", false, true, false);
  ASSERT_EQ(list.EntryCount(), 1);
  EXPECT_EQ(Snapshot(list)[0].size, size);
}

TEST_F(Adding, SingleFilesTakeSizeTagAndOrder) {
  WriteAudio(dir / "z.mp3", Id3Block("Title", "Band"));
  WriteAudio(dir / "a.flac");
  const std::string missing = (dir / "gone.mp3").string();
  adder.resetCounter();
  adder.AddFiles({(dir / "z.mp3").string(), missing, (dir / "a.flac").string()});
  const auto e = Snapshot(list);
  ASSERT_EQ(e.size(), 3u);
  EXPECT_EQ(e[0].descr, "Band - Title");  // tags are always tried for chosen files
  EXPECT_EQ(e[0].size, 2000 + 128);
  EXPECT_EQ(e[1].descr, "gone");  // a missing file is still added, with size 0
  EXPECT_EQ(e[1].size, 0);
  EXPECT_EQ(e[2].descr, "a");
  EXPECT_EQ(adder.counter(), 3);
  EXPECT_EQ(view.rows.size(), 3u);
}

TEST_F(Adding, GivenDescriptionWinsAndRowsAreOptional) {
  WriteAudio(dir / "t.mp3", Id3Block("Title", "Band"));
  const int n = adder.AddFile((dir / "t.mp3").string(), "Given", false, true, 215, 42);
  ASSERT_GT(n, 0);
  EXPECT_TRUE(view.rows.empty());
  const auto e = Snapshot(list);
  EXPECT_EQ(e[0].descr, "Given");
  EXPECT_EQ(e[0].length, 215);
  EXPECT_EQ(e[0].size, 42);

  // Without a work list the file is counted but nothing is added or shown.
  TFileAdder none{[] { return static_cast<TkroPlayList*>(nullptr); }, &view};
  EXPECT_EQ(none.AddFile("/x.mp3", "", true, false, 0, 0), -1);
  EXPECT_EQ(none.counter(), 1);
  EXPECT_TRUE(view.rows.empty());
}

TEST_F(Adding, CountReachesTheScreenOncePerClockTick) {
  for (int i = 0; i < 6; ++i) WriteAudio(dir / ("music/" + std::to_string(i) + ".mp3"));
  std::int64_t now = 1000;
  adder.setClock([&] { return now; });
  adder.AddFolder(base(), "", false, true, true);
  // One update for the first file of the tick, one at the end of the scan.
  EXPECT_EQ(view.counts, (std::vector<int>{1, 6}));

  view.counts.clear();
  adder.setClock([&] { return ++now; });
  adder.AddFolder(base(), "", false, true, true);
  EXPECT_EQ(view.counts, (std::vector<int>{1, 2, 3, 4, 5, 6, 6}));
}

TEST(History, NewestFirstAtMostEightWithoutDuplicates) {
  QStringList items;
  for (int i = 1; i <= 8; ++i)
    EXPECT_EQ(UpdateHistoryItems(items, QString::number(i), 8, true), QString::number(i));
  EXPECT_EQ(items.size(), 8);
  EXPECT_EQ(items.first(), "8");
  EXPECT_EQ(UpdateHistoryItems(items, "9", 8, true), "9");
  EXPECT_EQ(items.size(), 8);
  EXPECT_EQ(items.last(), "2");  // the oldest fell off

  // An existing item moves to the top with its stored spelling, found whatever the case.
  items = QStringList{"/Music/Rock", "/music/pop", "*.MP3"};
  EXPECT_EQ(UpdateHistoryItems(items, "  /music/rock ", 8, true), "/Music/Rock");
  EXPECT_EQ(items, (QStringList{"/Music/Rock", "/music/pop", "*.MP3"}));
  EXPECT_EQ(UpdateHistoryItems(items, "*.mp3", 8, true), "*.MP3");
  EXPECT_EQ(items, (QStringList{"*.MP3", "/Music/Rock", "/music/pop"}));
  EXPECT_EQ(UpdateHistoryItems(items, QString::fromUtf8("/МУЗЫКА"), 8, true),
            QString::fromUtf8("/МУЗЫКА"));
  EXPECT_EQ(UpdateHistoryItems(items, QString::fromUtf8("/музыка"), 8, true),
            QString::fromUtf8("/МУЗЫКА"));
  EXPECT_EQ(items.size(), 4);

  // Blank texts change nothing; without trimming the blanks are part of the text.
  const QStringList before = items;
  EXPECT_EQ(UpdateHistoryItems(items, "   ", 8, true), QString());
  EXPECT_EQ(items, before);
  EXPECT_EQ(UpdateHistoryItems(items, " a ", 8, false), " a ");
  EXPECT_EQ(items.first(), " a ");
}

}  // namespace
