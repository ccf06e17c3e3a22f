#include "winamp/winamp_import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "lang/fake_message_box.h"
#include "test_support.h"
#include "winamp/winamp_window.h"
#include "worklist/add_files.h"
#include "worklist/playlist.h"

namespace fs = std::filesystem;

namespace {

// The list on screen as the import sees it: rows of entry numbers, the status panels and
// the order of what it was asked to do.
class ScriptedView : public IWorkListView, public IListRows {
 public:
  void BeginListWork(const std::string& text) override { calls.push_back("begin:" + text); }
  void EndListWork(const std::string& text) override { calls.push_back("end:" + text); }
  void EndListWorkKeepStatus() override { calls.push_back("endkeep"); }
  void ClearStatus() override {
    panels[0] = panels[1] = panels[2] = "";
    calls.push_back("clear");
  }
  void SetStatusText(int panel, const std::string& text, bool) override {
    panels[panel] = text;
    calls.push_back("status" + std::to_string(panel) + ":" + text);
  }
  void ShowCount(int count, bool) override { panels[1] = count ? std::to_string(count) : ""; }
  void ListAddItem(int entryNumber) override { rows.push_back(entryNumber); }
  void ListClear() override {
    rows.clear();
    calls.push_back("listclear");
  }

  int RowCount() const override { return static_cast<int>(rows.size()); }
  int RowEntryId(int row) const override {
    return row >= 0 && row < RowCount() ? rows[static_cast<std::size_t>(row)] : -1;
  }
  bool RowChecked(int) const override { return false; }
  bool RowSelected(int) const override { return false; }

  std::vector<int> rows;
  std::vector<std::string> calls;
  std::string panels[3];
};

struct WinampImport : ::testing::Test {
  TempDir dir;
  TkroPlayList list;
  ScriptedView view;
  TFileAdder adder{[this] { return &list; }, &view};
  FakeMessageBox boxes;
  FakeWinampWindow winamp;
  std::vector<int> shownRows;
  std::string folder;

  void SetUp() override {
    folder = (dir / "Winamp").string();
    fs::create_directories(folder);
  }

  // Winamp's playlist with `count` entries named t0.mp3, t1.mp3, ...
  void writePlaylist(int count) {
    std::string text = "#EXTM3U\r\n";
    for (int i = 0; i < count; ++i)
      text += "#EXTINF:" + std::to_string(100 + i) + ",Track " + std::to_string(i) + "\r\n" +
              folder + "/t" + std::to_string(i) + ".mp3\r\n";
    writeFile(fs::path(folder) / "Winamp.m3u", text);
  }
  void addRows(int count) {
    for (int i = 0; i < count; ++i)
      adder.AddFile("/old/" + std::to_string(i) + ".mp3", "Old " + std::to_string(i), true, false,
                    0, 0);
  }
  // Winamp answers the first message with garbage and the second with `position`, and
  // writes its playlist on the second, as a running Winamp does.
  void runningAt(int position, int playlistSize) {
    winamp.running = true;
    winamp.answer = [this, position, playlistSize](const FakeWinampWindow::Message& m) {
      if (m.lParam != 120) return 12345;
      writePlaylist(playlistSize);
      return position;
    };
  }
  WinampImportResult run(bool replace, const std::string& location) {
    return ImportWinampPlaylist({winamp, location, std::string(), &list, view, view, adder,
                                 [this](int row) { shownRows.push_back(row); }},
                                replace);
  }
  std::string entryOrigin(int position) {
    list.SelectIndex(position);
    return list.Cursor->GetOrigin();
  }
};

TEST_F(WinampImport, RunningWinampAppendedPointsAtItsTrack) {
  addRows(10);
  runningAt(4, 6);
  const WinampImportResult r = run(false, folder + "/");

  ASSERT_EQ(winamp.searchedClasses, std::vector<std::string>{"Winamp v1.x"});
  ASSERT_EQ(winamp.sent.size(), 2u);
  EXPECT_EQ(winamp.sent[0].message, 0x0400u);
  EXPECT_EQ(winamp.sent[0].wParam, 0u);
  EXPECT_EQ(winamp.sent[0].lParam, 0);
  EXPECT_EQ(winamp.sent[1].message, 0x0400u);
  EXPECT_EQ(winamp.sent[1].wParam, 0u);
  EXPECT_EQ(winamp.sent[1].lParam, 120);

  EXPECT_TRUE(r.active);
  EXPECT_TRUE(r.imported);
  EXPECT_EQ(r.position, 4);
  EXPECT_EQ(r.added, 6);
  EXPECT_EQ(view.RowCount(), 16);
  EXPECT_EQ(list.EntryCount(), 16);
  EXPECT_EQ(entryOrigin(10), folder + "/t0.mp3");
  list.SelectIndex(15);
  EXPECT_EQ(list.Cursor->GetDescr(), "Track 5");
  EXPECT_EQ(list.Cursor->GetLength(), 105);
  EXPECT_EQ(shownRows, std::vector<int>{14});
  EXPECT_EQ(view.panels[0], "Winamp активен. Импортировано записей плейлиста: 6.");
  EXPECT_EQ(view.panels[1], "");
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(view.calls.back(), "status0:Winamp активен. Импортировано записей плейлиста: 6.");
}

TEST_F(WinampImport, ReplacingKeepsOnlyThePlaylistAndSelectsTheFirstTrack) {
  addRows(3);
  runningAt(0, 2);
  const WinampImportResult r = run(true, folder);
  EXPECT_EQ(r.added, 2);
  EXPECT_EQ(list.EntryCount(), 2);
  EXPECT_EQ(view.RowCount(), 2);
  EXPECT_EQ(entryOrigin(0), folder + "/t0.mp3");
  EXPECT_EQ(shownRows, std::vector<int>{0});
  // The clearing is announced before the list empties.
  const auto announce =
      std::find(view.calls.begin(), view.calls.end(), "status0:Очистка списка ...");
  const auto cleared = std::find(view.calls.begin(), view.calls.end(), "listclear");
  ASSERT_NE(announce, view.calls.end());
  EXPECT_LT(announce, cleared);
}

TEST_F(WinampImport, PositionOutsideTheRowsSelectsNothing) {
  addRows(2);
  runningAt(3, 2);  // Winamp names a track its own playlist does not have
  EXPECT_EQ(run(false, folder).added, 2);
  EXPECT_TRUE(shownRows.empty());

  runningAt(-1, 2);  // Winamp with nothing playing
  run(false, folder);
  EXPECT_TRUE(shownRows.empty());
  EXPECT_EQ(view.RowCount(), 6);

  // The last row is still reachable: position 1 of a playlist appended after 6 rows.
  runningAt(1, 2);
  run(false, folder);
  EXPECT_EQ(shownRows, std::vector<int>{7});
}

TEST_F(WinampImport, NotRunningReadsThePlaylistWrittenLast) {
  writePlaylist(3);
  addRows(1);
  const WinampImportResult r = run(false, folder);
  EXPECT_FALSE(r.active);
  EXPECT_TRUE(winamp.sent.empty());
  EXPECT_EQ(r.added, 3);
  EXPECT_EQ(list.EntryCount(), 4);
  EXPECT_TRUE(shownRows.empty());
  EXPECT_EQ(view.panels[0], "Winamp не активен. Импортировано записей плейлиста: 3.");

  // The platform's own link finds no window and behaves the same.
  NativeWinampWindow native;
  EXPECT_FALSE(native.FindWindowByClass(kWinampWindowClass));
  const WinampImportResult again =
      ImportWinampPlaylist({native, folder, std::string(), &list, view, view, adder,
                            [this](int row) { shownRows.push_back(row); }},
                           true);
  EXPECT_FALSE(again.active);
  EXPECT_EQ(list.EntryCount(), 3);
  EXPECT_TRUE(shownRows.empty());
}

TEST_F(WinampImport, MissingFolderOrFileLeavesTheListAlone) {
  addRows(2);
  runningAt(0, 0);
  winamp.answer = [](const FakeWinampWindow::Message&) { return 0; };  // writes nothing

  for (const std::string& location : {std::string(), std::string("/"), std::string("\\\\")}) {
    const WinampImportResult r = run(true, location);
    EXPECT_FALSE(r.imported) << location;
  }
  ASSERT_EQ(boxes.shown.size(), 3u);
  EXPECT_EQ(boxes.shown[0].text, "Не найдена информация о установленном Winamp (#451)");
  EXPECT_EQ(boxes.shown[0].caption, "Vo Tavel: Ошибка");

  const WinampImportResult r = run(true, folder);  // the folder holds no Winamp.m3u
  EXPECT_FALSE(r.imported);
  ASSERT_EQ(boxes.shown.size(), 4u);
  EXPECT_EQ(boxes.shown[3].text, "Ошибка доступа к плейлисту (#452)");

  // A folder named Winamp.m3u is no playlist either.
  fs::create_directories(fs::path(folder) / "Winamp.m3u");
  EXPECT_FALSE(run(true, folder).imported);
  EXPECT_EQ(boxes.shown.size(), 5u);

  EXPECT_EQ(list.EntryCount(), 2);
  EXPECT_EQ(view.RowCount(), 2);
  EXPECT_TRUE(shownRows.empty());
  EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "listclear"), 0);
}

TEST_F(WinampImport, EmptyOrBrokenPlaylistStillReportsTheCount) {
  addRows(2);
  writeFile(fs::path(folder) / "Winamp.m3u", "");
  run(false, folder);
  EXPECT_EQ(view.panels[0], "Winamp не активен. Импортировано записей плейлиста: 0.");
  EXPECT_TRUE(boxes.shown.empty());

  writeFile(fs::path(folder) / "Winamp.m3u", "#extm3u\r\nx.mp3\r\n");
  runningAt(0, 0);
  winamp.answer = [](const FakeWinampWindow::Message&) { return 0; };
  run(true, folder);
  // The wrong head is told, nothing is added; the list was emptied as asked and the count
  // from the earlier import does not show through.
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(list.EntryCount(), 0);
  EXPECT_TRUE(shownRows.empty());
  EXPECT_EQ(view.panels[0], "Winamp активен. Импортировано записей плейлиста: 0.");
}

TEST_F(WinampImport, WindowsPathsOfTheWinePrefixBecomeLocalPaths) {
  const fs::path prefix = dir / "prefix";
  fs::create_directories(prefix / "drive_c/Music");
  writeFile(prefix / "drive_c/Music/Song.mp3", std::string(3000, 'x'));
  writeFile(fs::path(folder) / "Winamp.m3u",
            "#EXTM3U\r\n"
            "#EXTINF:200,Song\r\n"
            "C:\\MUSIC\\song.mp3\r\n"
            "rel\\x.mp3\r\n"
            "http://radio.example/stream\r\n");
  ImportWinampPlaylist({winamp, folder, prefix.string(), &list, view, view, adder, nullptr}, false);
  ASSERT_EQ(list.EntryCount(), 3);
  EXPECT_EQ(entryOrigin(0), (prefix / "drive_c/Music/Song.mp3").string());
  list.SelectIndex(0);
  EXPECT_EQ(list.Cursor->GetSize(), 3000);
  EXPECT_EQ(entryOrigin(1), folder + "/rel/x.mp3");
  EXPECT_EQ(entryOrigin(2), "http://radio.example/stream");
}

TEST(WinampPlaylistFile, SeparatorsAreTrimmedBeforeTheName) {
  EXPECT_EQ(WinampPlaylistFile("C:\\Winamp\\"), "C:\\Winamp/Winamp.m3u");
  EXPECT_EQ(WinampPlaylistFile("/opt/winamp//"), "/opt/winamp/Winamp.m3u");
  EXPECT_EQ(WinampPlaylistFile(""), "/Winamp.m3u");
}

}  // namespace
