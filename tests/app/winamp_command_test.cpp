// Winamp's playlist in the running program: the folder found at start-up from the Wine
// registry, commands 1140 and 1840 on the main window, and the row Winamp plays selected
// in the real list when the import runs inside the command's bracket.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QLabel>
#include <QTreeView>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "app/commands.h"
#include "app/configuration.h"
#include "app/main_window.h"
#include "app/main_window_parts.h"
#include "app/program.h"
#include "app/show_list_item.h"
#include "app/startup_options.h"
#include "app/worklist_view.h"
#include "lang/lang.h"
#include "store/kro_object.h"
#include "test_support.h"
#include "view_test_support.h"
#include "winamp/winamp_import.h"
#include "winamp/winamp_window.h"

namespace fs = std::filesystem;

namespace {

// A Wine prefix whose registry names C:\Program Files\Winamp, holding a playlist of
// `tracks` files.
fs::path makePrefix(const TempDir& dir, int tracks) {
  const fs::path prefix = dir / "wine";
  const fs::path winamp = prefix / "drive_c/Program Files/Winamp";
  fs::create_directories(winamp);
  fs::create_directories(prefix / "drive_c/Music");
  writeFile(prefix / "user.reg",
            "WINE REGISTRY Version 2\n\n[Software\\\\Winamp] 1700000000\n"
            "@=\"C:\\\\Program Files\\\\Winamp\"\n");
  std::string m3u = "#EXTM3U\r\n";
  for (int i = 0; i < tracks; ++i) {
    const std::string name = "track" + std::to_string(i) + ".mp3";
    writeFile(prefix / "drive_c/Music" / name, std::string(1000 + i, 'a'));
    m3u += "#EXTINF:60,Track " + std::to_string(i) + "\r\nC:\\Music\\" + name + "\r\n";
  }
  writeFile(winamp / "Winamp.m3u", m3u);
  return prefix;
}

class AnswerBox : public IMessageBox {
 public:
  AnswerBox() { SetMessageBox(this); }
  ~AnswerBox() override { SetMessageBox(nullptr); }
  MsgResult show(const MessageRequest& r) override {
    texts.push_back(r.text);
    return MsgResult::Yes;
  }
  std::vector<std::string> texts;
};

}  // namespace

TEST(WinampCommand, StartUpFindsTheFolderAndTheCommandsImportItsPlaylist) {
  TempDir home;
  TempDir wine;
  const fs::path prefix = makePrefix(wine, 3);
  ScopedEnv env("WINEPREFIX", prefix.string());
  AnswerBox boxes;
  const std::string folder = (prefix / "drive_c/Program Files/Winamp").string();

  TavelProgram program(ParseStartupOptions({"tavel", "--splash-ms=0"}), home.str());
  program.setRunningHook([&] {
    TForm1& form = *program.mainWindow();
    EXPECT_EQ(program.configuration()->System->ReadString(kKeyWinampLocation, "?"), folder);
    const auto& lines = program.log().pending;
    const auto at = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
      return l.size() >= 8 && l.compare(l.size() - 8, 8, "  WAloc:") == 0;
    });
    ASSERT_NE(at, lines.end());
    ASSERT_NE(at + 1, lines.end());
    EXPECT_NE((at + 1)->find("]      " + folder), std::string::npos) << *(at + 1);

    WorkListView& view = form.parts().view;
    Commands& commands = form.parts().commands;
    commands.CmdCall(1140, kSourceMenu, true);
    commands.CmdCall(1140, kSourceMenu, true);
    EXPECT_EQ(view.RowCount(), 6);
    EXPECT_EQ(form.listModel()->rowCountTotal(), 6);
    EXPECT_EQ(form.statusPanel(0)->text().toStdString(),
              "Winamp не активен. Импортировано записей плейлиста: 3.");
    EXPECT_EQ(form.statusPanel(1)->text().toStdString(), "");
    program.workList()->SelectIndex(0);
    EXPECT_EQ(program.workList()->Cursor->GetOrigin(),
              (prefix / "drive_c/Music/track0.mp3").string());
    EXPECT_EQ(program.workList()->Cursor->GetSize(), 1000);

    commands.CmdCall(1840, kSourceMenu, true);
    EXPECT_EQ(view.RowCount(), 3);
    EXPECT_EQ(program.workList()->EntryCount(), 3);
    EXPECT_FALSE(view.busy());
    EXPECT_TRUE(boxes.texts.empty());

    // Once Winamp's playlist is gone the list stays as it is and the user is told.
    fs::remove(fs::path(folder) / "Winamp.m3u");
    commands.CmdCall(1840, kSourceMenu, true);
    EXPECT_EQ(view.RowCount(), 3);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], LangString(452));
    form.close();
  });
  program.run();
}

TEST(WinampCommand, StartUpWithoutWinampStoresAnEmptyFolder) {
  TempDir home;
  TempDir wine;  // an empty prefix: no user.reg
  ScopedEnv env("WINEPREFIX", wine.str());
  AnswerBox boxes;
  TavelProgram program(ParseStartupOptions({"tavel", "--splash-ms=0"}), home.str());
  program.setRunningHook([&] {
    EXPECT_EQ(program.configuration()->System->ReadString(kKeyWinampLocation, "?"), "");
    program.mainWindow()->parts().commands.CmdCall(1140, kSourceMenu, true);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], LangString(451));
    program.mainWindow()->close();
  });
  program.run();
}

// The command's bracket holds back the new rows until it closes; the track Winamp plays
// must still end up selected.
TEST(WinampCommand, PlayingTrackIsSelectedInTheRealList) {
  TempDir dir;
  ViewFixture f;
  f.window.show();
  f.addNumbered(10);
  const fs::path folder = dir / "Winamp";
  fs::create_directories(folder);
  std::string m3u = "#EXTM3U\r\n";
  for (int i = 0; i < 6; ++i) m3u += "/music/w" + std::to_string(i) + ".mp3\r\n";
  writeFile(folder / "Winamp.m3u", m3u);
  f.selectRows({1, 2});

  FakeWinampWindow winamp;
  winamp.running = true;
  winamp.answer = [](const FakeWinampWindow::Message& m) { return m.lParam == 120 ? 4 : 0; };
  WorkListView& view = *f.view;
  view.BeginListWork("import...", f.list);
  ImportWinampPlaylist({winamp, folder.string() + "\\", std::string(), &f.workList, view, view,
                        view.adder(), [&](int row) { ShowListItem(*f.list, view, row); }},
                       false);
  view.EndListWorkKeepStatus();

  EXPECT_EQ(view.RowCount(), 16);
  const QModelIndexList selected = f.list->selectionModel()->selectedRows();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0].row(), 14);
  EXPECT_EQ(f.list->currentIndex().row(), 14);
  EXPECT_FALSE(view.busy());
  EXPECT_TRUE(f.window.updatesEnabled());
  EXPECT_TRUE(f.list->updatesEnabled());
  EXPECT_EQ(f.panel(0), "Winamp активен. Импортировано записей плейлиста: 6.");
}
