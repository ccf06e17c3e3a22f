// Whole runs of the program over one data folder: the work list and the settings a run
// leaves behind are what the next run starts with, and the settings that turn saving off
// are obeyed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/program.h"
#include "app/startup_options.h"
#include "app/worklist_model.h"
#include "lang/message_box.h"
#include "store/kro_object.h"
#include "test_support.h"
#include "worklist/playlist.h"

namespace {

class YesBox : public IMessageBox {
 public:
  YesBox() { SetMessageBox(this); }
  ~YesBox() override { SetMessageBox(nullptr); }
  MsgResult show(const MessageRequest&) override { return MsgResult::Yes; }
};

void runOnce(const TempDir& home, const std::function<void(TavelProgram&)>& whileRunning) {
  YesBox yes;
  TavelProgram program(ParseStartupOptions({"tavel", "--splash-ms=0"}), home.str());
  program.setRunningHook([&] {
    whileRunning(program);
    program.mainWindow()->close();
  });
  program.run();
}

struct Saved {
  std::string origin;
  std::int32_t flags;
};

std::vector<Saved> savedList(const TempDir& home) {
  TkroPlayList list;
  EXPECT_LE(list.LoadFromFile((home / ".worklist.kro").string(), kWorkListLoadMode), 0);
  list.UpdateCachedLinks();
  std::vector<Saved> out;
  for (int p = 0; p < list.EntryCount(); ++p) {
    list.SelectIndex(p);
    out.push_back({list.Cursor->GetOrigin(), list.Cursor->GetFlags()});
  }
  return out;
}

}  // namespace

TEST(StartupPersistence, TheWorkListAndItsMarksComeBackOnTheNextRun) {
  TempDir home;
  {
    TkroPlayList list;
    list.Add("/m/1.mp3", "", "one", 10, 60, FLAG_MARKED | FLAG_GONE);
    list.Add("/m/2.mp3", "", "two", 20, 61, 0x1234);
    list.Add("/m/3.mp3", "", "three", -1, 0, FLAG_MARKED);
    ASSERT_LE(list.SaveToFile((home / ".worklist.kro").string(), kWorkListSaveMode), 0);
  }

  runOnce(home, [](TavelProgram& p) {
    WorkListModel* rows = p.mainWindow()->listModel();
    ASSERT_EQ(rows->rowCountTotal(), 3);
    EXPECT_TRUE(rows->isChecked(0));
    EXPECT_FALSE(rows->isChecked(1));
    EXPECT_TRUE(rows->isChecked(2));
    rows->setChecked(0, false);  // the user unticks the first and ticks the second
    rows->setChecked(1, true);
  });

  const std::vector<Saved> saved = savedList(home);
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[0].origin, "/m/1.mp3");
  EXPECT_EQ(saved[1].origin, "/m/2.mp3");
  EXPECT_EQ(saved[2].origin, "/m/3.mp3");
  EXPECT_EQ(saved[0].flags, FLAG_GONE);  // the run bits stay; the mark went
  EXPECT_EQ(saved[1].flags, 0x1234 | FLAG_MARKED);
  EXPECT_EQ(saved[2].flags, FLAG_MARKED);
  EXPECT_TRUE(std::filesystem::exists(home / "conf5.kro"));
}

TEST(StartupPersistence, SettingsOfTheRunDecideWhatTheNextRunLoadsAndSaves) {
  TempDir home;
  const std::string listFile = (home / ".worklist.kro").string();
  {
    TkroPlayList list;
    list.Add("/m/kept.mp3", "", "kept", 1, 1, 0);
    ASSERT_LE(list.SaveToFile(listFile, kWorkListSaveMode), 0);
  }
  // A run that turns remembering the list off: its own list is not written at exit.
  runOnce(home, [](TavelProgram& p) {
    p.configuration()->System->WriteValue("Settings/Remember worklist", KroValue(false));
    p.mainWindow()->CheckBox1->setChecked(false);
  });
  const std::string before = readFile(listFile);

  bool sawRows = true;
  runOnce(home, [&](TavelProgram& p) {
    sawRows = p.mainWindow()->listModel()->rowCountTotal() > 0;
    EXPECT_FALSE(p.mainWindow()->CheckBox1->isChecked());  // the group came back
    p.workList()->Add("/m/new.mp3", "", "new", 1, 1, 0);
  });
  EXPECT_FALSE(sawRows);                  // not loaded at start
  EXPECT_EQ(readFile(listFile), before);  // not written at exit
}

TEST(StartupPersistence, AnUnreadableListIsKeptAndAFreshOneWrittenAtExit) {
  TempDir home;
  writeFile(home / ".worklist.kro", "\x01\x02 not a store");
  writeFile(home / "conf5.kro", "also not a store");
  runOnce(home, [](TavelProgram& p) {
    EXPECT_EQ(p.mainWindow()->listModel()->rowCountTotal(), 0);
    p.workList()->Add("/m/a.mp3", "", "a", 1, 1, FLAG_MARKED);
  });
  EXPECT_EQ(readFile(home / ".worklist.kro.unreadable"), "\x01\x02 not a store");
  EXPECT_EQ(readFile(home / "conf5.kro.unreadable"), "also not a store");
  const std::vector<Saved> saved = savedList(home);
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].origin, "/m/a.mp3");
  TkroObject conf;
  EXPECT_LE(conf.LoadFromFile((home / "conf5.kro").string(), 3), 0);
  EXPECT_EQ(conf.System->ReadString("version", ""), "0.9.2");
}
