#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "app/playlist_flows.h"
#include "lang/lang.h"
#include "test_support.h"
#include "view_test_support.h"

namespace {

// Answers the commands' dialogs from queues; records what was asked.
struct FakeDialogs : IFileDialogs {
  std::vector<std::string> openFiles(const std::string& title, const std::string& filter,
                                     bool multiple) override {
    asked.push_back(title + "|" + filter + (multiple ? "|many" : "|one"));
    if (opens.empty()) return {};
    auto a = opens.front();
    opens.pop_front();
    return a;
  }
  std::optional<SaveChoice> saveFile(const std::string& title, const std::string& filter) override {
    asked.push_back(title + "|" + filter);
    if (saves.empty()) return std::nullopt;
    auto a = saves.front();
    saves.pop_front();
    return a;
  }
  std::deque<std::vector<std::string>> opens;
  std::deque<SaveChoice> saves;
  std::vector<std::string> asked;
};

struct Flows : ::testing::Test {
  TempDir dir;
  ViewFixture f;
  FakeDialogs dialogs;
  std::string file(const std::string& name, const std::string& bytes = std::string(500, 'x')) {
    const auto p = dir / name;
    std::filesystem::create_directories(p.parent_path());
    writeFile(p, bytes);
    return p.string();
  }
  std::vector<std::string> origins() {
    std::vector<std::string> o;
    for (int p = 0; p < f.workList.EntryCount(); ++p) {
      f.workList.SelectIndex(p);
      o.push_back(f.workList.Cursor->GetOrigin());
    }
    return o;
  }
};

TEST_F(Flows, AddFilesShowsTheCountOrNothingWhenCancelled) {
  f.view->SetStatusText(0, "before", false);
  CmdAddFiles(*f.view, &dialogs);  // cancelled
  EXPECT_EQ(f.panel(0), "before");
  EXPECT_EQ(f.workList.EntryCount(), 0);
  ASSERT_EQ(dialogs.asked.size(), 1u);
  // Audio files first, every file second.
  EXPECT_EQ(dialogs.asked[0],
            LangString(108) + "|" + LangString(467) + "|" + LangString(110) + "|many");

  dialogs.opens.push_back({file("c.mp3"), file("a.mp3"), file("b.ogg")});
  EXPECT_TRUE(RunPlaylistCommand(*f.view, &dialogs, 1120));
  EXPECT_EQ(origins(), (std::vector<std::string>{(dir / "c.mp3").string(), (dir / "a.mp3").string(),
                                                 (dir / "b.ogg").string()}));
  EXPECT_EQ(f.model->rowCountTotal(), 3);
  EXPECT_EQ(f.panel(1), "3");
  EXPECT_EQ(f.panel(0), LangString(143));
  EXPECT_FALSE(f.view->busy());
}

TEST_F(Flows, AddPlaylistAppendsAndOpenPlaylistReplaces) {
  f.addNumbered(2);
  const std::string list =
      file("lists/p.m3u", "#EXTM3U\r\n#EXTINF:10,Ten\r\n../x.mp3\r\ny.mp3\r\n");
  dialogs.opens.push_back({list});
  CmdAddPlaylist(*f.view, &dialogs);
  EXPECT_EQ(dialogs.asked.back(), LangString(107) + "|" + LangString(109) + "|one");
  ASSERT_EQ(f.workList.EntryCount(), 4);
  EXPECT_EQ(f.model->rowCountTotal(), 4);
  EXPECT_EQ(origins()[2], (dir / "lists/../x.mp3").string());
  EXPECT_EQ(f.cell(2, 0), "Ten");
  EXPECT_EQ(f.cell(2, 2), "0:10");
  EXPECT_EQ(f.panel(1), "2");
  EXPECT_EQ(f.panel(0), LangString(143));

  dialogs.opens.push_back({list});
  EXPECT_TRUE(RunPlaylistCommand(*f.view, &dialogs, 1820));
  EXPECT_EQ(dialogs.asked.back(), LangString(116) + "|" + LangString(109) + "|one");
  EXPECT_EQ(f.workList.EntryCount(), 2);
  EXPECT_EQ(f.model->rowCountTotal(), 2);
  EXPECT_EQ(f.cell(1, 0), "y");

  // A cancelled open leaves the list alone.
  CmdOpenPlaylist(*f.view, &dialogs);
  EXPECT_EQ(f.workList.EntryCount(), 2);

  // A refused file (not a playlist, a lowercase header, UTF-16, unreadable, empty) shows
  // its error and leaves the list as it was.
  const std::string missing = (dir / "missing.m3u").string();
  for (const std::string& bad :
       {file("bad.m3u", "hello\r\n"), file("lower.m3u", "#extm3u\r\nz.mp3\r\n"),
        file("utf16.m3u", std::string("\xff\xfe#\0E\0X\0T\0M\0003\0U\0\r\0\n\0", 20)), missing,
        file("empty.m3u", "")}) {
    dialogs.opens.push_back({bad});
    CmdOpenPlaylist(*f.view, &dialogs);
    EXPECT_EQ(f.workList.EntryCount(), 2) << bad;
    EXPECT_EQ(f.model->rowCountTotal(), 2) << bad;
    EXPECT_EQ(f.cell(1, 0), "y") << bad;
    EXPECT_FALSE(f.view->busy()) << bad;
  }
  ASSERT_EQ(f.boxes.shown.size(), 4u);
  EXPECT_EQ(f.boxes.shown[0].text, LangString(106));
  EXPECT_EQ(f.boxes.shown[2].text, LangString(106));
  EXPECT_EQ(f.boxes.shown[3].text, LangFormat(457, {missing}));

  // A playlist holding only its header is accepted and empties the list.
  dialogs.opens.push_back({file("header.m3u", "#EXTM3U\r\n")});
  CmdOpenPlaylist(*f.view, &dialogs);
  EXPECT_EQ(f.workList.EntryCount(), 0);
  EXPECT_EQ(f.model->rowCountTotal(), 0);
}

TEST_F(Flows, SavePlaylistAddsTheExtensionOnlyForThePlaylistFilter) {
  f.add("/music/a.mp3", "A", 1, 60);
  CmdSavePlaylist(*f.view, &dialogs);  // cancelled: nothing written
  EXPECT_EQ(dialogs.asked.back(), LangString(117) + "|" + LangString(109));

  dialogs.saves.push_back({(dir / "list").string(), 0});
  dialogs.saves.push_back({(dir / "list.txt").string(), 0});
  dialogs.saves.push_back({(dir / "plain").string(), 1});
  for (int i = 0; i < 3; ++i) RunPlaylistCommand(*f.view, &dialogs, 1830);
  const std::string expected = "#EXTM3U\r\n#EXTINF:60,A\r\n/music/a.mp3\r\n";
  EXPECT_EQ(readFile(dir / "list.m3u"), expected);
  EXPECT_EQ(readFile(dir / "list.txt"), expected);
  EXPECT_EQ(readFile(dir / "plain"), expected);
  EXPECT_FALSE(std::filesystem::exists(dir / "list"));
  EXPECT_EQ(f.panel(0), LangString(143));
  EXPECT_EQ(f.panel(1), "1");

  EXPECT_EQ(WithPlaylistExtension("/a.b/list", 0), "/a.b/list.m3u");
  EXPECT_EQ(WithPlaylistExtension("/a/list.M3U", 0), "/a/list.M3U");
  EXPECT_EQ(WithPlaylistExtension("", 0), "");
  EXPECT_FALSE(RunPlaylistCommand(*f.view, &dialogs, 1210));
}

TEST(FileFilters, TableFiltersBecomeQtFilters) {
  EXPECT_EQ(QtFileFilters(LangString(109)),
            (std::vector<std::string>{"Плейлист m3u (*.m3u *.M3U)", "Все файлы (*)"}));
  EXPECT_EQ(QtFileFilters(LangString(110)), (std::vector<std::string>{"Все файлы (*)"}));
  EXPECT_EQ(QtFileFilters("Audio|*.mp3;*.ogg|dangling"),
            (std::vector<std::string>{"Audio (*.mp3 *.MP3 *.ogg *.OGG)"}));
  EXPECT_TRUE(QtFileFilters("").empty());
}

}  // namespace
