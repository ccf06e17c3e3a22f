// The configuration: conf5.kro's versions and structure, the column objects, control groups
// by control kind (history drop-downs with their items), and the main window's state
// surviving a save and a new start.
#include "app/configuration.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QTreeView>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/configuration_controls.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/radio_group.h"
#include "app/startup_options.h"
#include "lang/fake_message_box.h"
#include "lang/message_box.h"
#include "test_support.h"
#include "worklist/add_files.h"

namespace {

std::vector<std::pair<int, int>> columnsOf(TkroObject& store, TkroItem* columns) {
  std::vector<std::pair<int, int>> out;
  const auto specs = ReadListColumns(store, columns);
  if (!specs) return out;
  for (const ListColumnSpec& c : *specs) out.emplace_back(c.type, c.width);
  return out;
}

const std::vector<std::pair<int, int>> kInitial = {{2, 280}, {3, 60}, {4, 50}, {0, 400}};

// A file written by another version of the program.
void writeStore(const std::string& file, const std::string& version) {
  TkroObject store;
  store.SetTitle("K7D40 Configuration");
  if (!version.empty()) store.System->WriteValue("version", KroValue(version));
  store.System->WriteValue("Settings/Exit confirm", KroValue(false));
  store.System->WriteValue("Action/mode", KroValue(2));
  ASSERT_LE(store.SaveToFile(file, 2), 0);
}

QStringList itemsOf(const QComboBox& c) {
  QStringList out;
  for (int i = 0; i < c.count(); ++i) out << c.itemText(i);
  return out;
}

}  // namespace

TEST(Configuration, FirstStartMakesTheDefaultStructure) {
  TempDir home;
  ConfLoadResult conf = ConfLoad(home.str());
  ASSERT_TRUE(conf.store);
  TkroObject& s = *conf.store;
  EXPECT_EQ(s.Title(), "K7D40 Configuration");
  EXPECT_EQ(s.System->ReadString("version", ""), "0.9.2");
  for (const char* dir : {"Interface", "Action", "Settings", "Playlist", "Playlist/Columns"})
    EXPECT_TRUE(s.System->Exists(dir, 1)) << dir;
  EXPECT_EQ(s.System->ReadInt("Playlist/mode", -7), 1);
  const std::int32_t mask = s.System->Lookup("~PlayListColumn", 1);
  ASSERT_GT(mask, 1);
  EXPECT_EQ(s.Objects(mask)->TypeOf(), kroTypeMask);
  ASSERT_TRUE(conf.columns);
  EXPECT_EQ(columnsOf(s, conf.columns.get()), kInitial);
  EXPECT_EQ(s.System->CurrentDir(), 1);
  // Defaults of the keys read elsewhere.
  EXPECT_EQ(s.System->ReadInt(kKeyActionMode, kDefaultActionMode), -1);
  EXPECT_TRUE(s.System->ReadBool(kKeyRememberWorklist, true));
  EXPECT_FALSE(std::filesystem::exists(home / "conf5.kro"));  // only ConfSave writes it

  // Saved and loaded again, the structure is not made twice and the widths stay.
  s.Objects(conf.columns->AsTLinks.Get(0))->AsObject.FieldByName("width")->SetValue(KroValue(123));
  ASSERT_LE(ConfSaveFile(s, home.str()), 0);
  ConfLoadResult again = ConfLoad(home.str());
  auto want = kInitial;
  want[0].second = 123;
  EXPECT_EQ(columnsOf(*again.store, again.columns.get()), want);
  EXPECT_EQ(again.store->System->ReadString("version", ""), "0.9.2");
}

TEST(Configuration, VersionDecidesWhetherTheStoredValuesSurvive) {
  TempDir home;
  const std::string file = (home / "conf5.kro").string();
  struct Case {
    std::string version;
    bool kept;
  };
  for (const Case& c :
       {Case{"0.9.1", false}, Case{"", false}, Case{"0.9.2", true}, Case{"0.9.3", true}}) {
    writeStore(file, c.version);
    ConfLoadResult conf = ConfLoad(home.str());
    TDSystem& sys = *conf.store->System;
    EXPECT_EQ(sys.ReadBool("Settings/Exit confirm", true), !c.kept) << c.version;
    EXPECT_EQ(sys.ReadInt("Action/mode", -1), c.kept ? 2 : -1) << c.version;
    EXPECT_EQ(sys.ReadString("version", ""), c.kept ? c.version : "0.9.2");
    // Whatever the version, the structure is there afterwards.
    EXPECT_EQ(columnsOf(*conf.store, conf.columns.get()), kInitial) << c.version;
    EXPECT_TRUE(std::filesystem::exists(file));  // a readable file is never moved aside
  }
}

TEST(Configuration, AnUnreadableFileIsKeptAsideAndTheDefaultsApply) {
  TempDir home;
  const std::string file = (home / "conf5.kro").string();
  writeStore(file, "0.9.2");
  std::string bytes = readFile(file);
  bytes.resize(bytes.size() - 3);  // cut short, as by a full disk in another tool
  writeFile(file, bytes);

  ConfLoadResult conf = ConfLoad(home.str());
  EXPECT_TRUE(conf.store->System->ReadBool("Settings/Exit confirm", true));
  EXPECT_EQ(conf.store->System->ReadString("version", ""), "0.9.2");
  ASSERT_TRUE(std::filesystem::exists(file + ".unreadable"));
  EXPECT_EQ(readFile(file + ".unreadable"), bytes);

  ASSERT_LE(ConfSaveFile(*conf.store, home.str()), 0);
  EXPECT_EQ(readFile(file + ".unreadable"), bytes);
  ConfLoadResult next = ConfLoad(home.str());
  EXPECT_EQ(next.store->System->ReadString("version", ""), "0.9.2");
  EXPECT_FALSE(std::filesystem::exists(file + ".unreadable.2"));
}

TEST(Configuration, HistoryItemsTextRoundTrips) {
  EXPECT_EQ(JoinHistoryItems({"a", "b", "c"}), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(JoinHistoryItems({}), "");
  EXPECT_EQ(SplitHistoryItems("a\r\nb\r\nc\r\n"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitHistoryItems(""), std::vector<std::string>{});
  EXPECT_EQ(SplitHistoryItems("a\nb"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitHistoryItems("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  const std::vector<std::string> odd = {"/media/Плеер/Music", "D:\\Музыка", " spaced ", ""};
  EXPECT_EQ(SplitHistoryItems(JoinHistoryItems(odd)), odd);
}

TEST(Configuration, ControlGroupsStoreEachKindAndLeaveMissingValuesAlone) {
  TempDir home;
  ConfLoadResult conf = ConfLoad(home.str());
  TkroObject& s = *conf.store;

  QWidget panel;
  panel.setObjectName("paTest");
  auto* check = new QCheckBox(&panel);
  check->setObjectName("cbOne");
  auto* radio = new RadioGroup(&panel);
  radio->setObjectName("rgOne");
  radio->setItems({"x", "y", "z"});
  auto* chooser = new QComboBox(&panel);
  chooser->setObjectName("cbChoose");
  chooser->addItems({"1", "2", "3", "4"});
  auto* hist = new QComboBox(&panel);
  hist->setObjectName("cbHistory");
  hist->setEditable(true);
  auto* edit = new QLineEdit(&panel);
  edit->setObjectName("edText");
  auto* spin = new QSpinBox(&panel);
  spin->setObjectName("seNumber");
  spin->setRange(0, 1000);
  auto* button = new QPushButton("Go", &panel);
  button->setObjectName("btGo");
  auto* inner = new QWidget(&panel);
  inner->setObjectName("paInner");
  auto* nested = new QCheckBox(inner);  // not a direct child: not part of the group
  nested->setObjectName("cbNested");

  EXPECT_EQ(LoadControlGroup(s, panel, "Action"), -255);  // no folder yet: nothing loaded

  check->setChecked(true);
  radio->setItemIndex(1);
  chooser->setCurrentIndex(3);
  hist->addItems({"a", "b", "c"});
  hist->setEditText("typed");
  edit->setText("text");
  spin->setValue(77);
  nested->setChecked(true);
  ASSERT_EQ(SaveControlGroup(s, panel, "Action/"), 0);  // a separator at the joint is not doubled
  EXPECT_EQ(s.System->CurrentDir(), 1);
  EXPECT_EQ(s.System->ReadString("Action/paTest/cbHistory.items", "?"), "a\r\nb\r\nc\r\n");
  EXPECT_EQ(s.System->ReadString("Action/paTest/cbHistory", "?"), "typed");
  EXPECT_TRUE(s.System->ReadBool("Action/paTest/cbOne", false));
  EXPECT_EQ(s.System->ReadInt("Action/paTest/rgOne", -9), 1);
  EXPECT_EQ(s.System->ReadInt("Action/paTest/cbChoose", -9), 3);
  EXPECT_FALSE(s.System->Exists("Action/paTest/btGo", 1));
  EXPECT_FALSE(s.System->Exists("Action/paTest/cbNested", 1));
  EXPECT_FALSE(s.System->Exists("Action/paTest/paInner", 1));

  // Through the file and back into changed controls.
  ASSERT_LE(ConfSaveFile(s, home.str()), 0);
  ConfLoadResult loaded = ConfLoad(home.str());
  check->setChecked(false);
  radio->setItemIndex(-1);
  chooser->setCurrentIndex(0);
  hist->clear();
  hist->addItems({"other"});
  edit->clear();
  spin->setValue(1);
  nested->setChecked(false);
  ASSERT_EQ(LoadControlGroup(*loaded.store, panel, "Action"), 0);
  EXPECT_EQ(loaded.store->System->CurrentDir(), 1);
  EXPECT_TRUE(check->isChecked());
  EXPECT_EQ(radio->itemIndex(), 1);
  EXPECT_EQ(chooser->currentIndex(), 3);
  EXPECT_EQ(itemsOf(*hist), (QStringList{"a", "b", "c"}));
  EXPECT_EQ(hist->currentText(), "typed");
  EXPECT_EQ(edit->text(), "text");
  EXPECT_EQ(spin->value(), 77);
  EXPECT_FALSE(nested->isChecked());

  // A missing value leaves its control as it is; an index outside the items does too.
  TDSystem& sys = *loaded.store->System;
  auto* fresh = new QCheckBox(&panel);
  fresh->setObjectName("cbNew");
  fresh->setChecked(true);
  radio->setItemIndex(2);
  chooser->setCurrentIndex(1);
  sys.WriteValue("Action/paTest/rgOne", KroValue(9));
  sys.WriteValue("Action/paTest/cbChoose", KroValue(-3));
  ASSERT_EQ(LoadControlGroup(*loaded.store, panel, "Action"), 0);
  EXPECT_TRUE(fresh->isChecked());
  EXPECT_EQ(radio->itemIndex(), 2);
  EXPECT_EQ(chooser->currentIndex(), 1);

  // A value where the group's folder should be is no folder.
  sys.WriteValue("Interface/paTest", KroValue(5));
  EXPECT_EQ(LoadControlGroup(*loaded.store, panel, "Interface"), -255);
}

TEST(Configuration, ColumnWidthsAreSavedOnlyInListModesWithColumns) {
  TempDir home;
  ConfLoadResult conf = ConfLoad(home.str());
  TkroObject& s = *conf.store;
  FakeMessageBox box;

  SaveListColumnWidths(s, conf.columns.get(), {300, 70});  // the view has two columns
  EXPECT_EQ(columnsOf(s, conf.columns.get()),
            (std::vector<std::pair<int, int>>{{2, 300}, {3, 70}, {4, 50}, {0, 400}}));

  s.System->WriteValue("Playlist/mode", KroValue(2));
  SaveListColumnWidths(s, conf.columns.get(), {1, 1, 1, 1});
  EXPECT_EQ(columnsOf(s, conf.columns.get()),
            (std::vector<std::pair<int, int>>{{2, 300}, {3, 70}, {4, 50}, {0, 400}}));
  SaveListColumnWidths(s, nullptr, {1});
  EXPECT_TRUE(box.shown.empty());

  s.System->WriteValue("Playlist/mode", KroValue(0));
  SaveListColumnWidths(s, nullptr, {1});
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("ConfSave.NoColumnsData"), std::string::npos);
  EXPECT_FALSE(ReadListColumns(s, nullptr).has_value());
}

// The main window's state across runs: each "run" is a new window over the same data folder.
class ConfigurationWindow : public ::testing::Test {
 protected:
  struct Run {
    std::unique_ptr<TavelProgram> program;
    std::unique_ptr<TForm1> form;
    ConfLoadResult conf;
  };
  Run start() {
    Run r;
    r.program = std::make_unique<TavelProgram>(ParseStartupOptions({"tavel"}), home.str());
    r.form = std::make_unique<TForm1>(*r.program);
    SetDefaultFormSettings(r.form->settingsWidgets());
    r.conf = ConfLoad(home.str());
    ConfApply(r.form->settingsWidgets(), *r.conf.store);
    return r;
  }
  void quit(Run& r) {
    ConfStoreWindow(r.form->settingsWidgets(), *r.conf.store, r.conf.columns.get());
    ASSERT_LE(ConfSaveFile(*r.conf.store, home.str()), 0);
  }
  TempDir home;
};

TEST_F(ConfigurationWindow, DefaultsApplyOnFirstStartAndTheFileHoldsEverythingAfterExit) {
  Run r = start();
  TForm1& f = *r.form;
  EXPECT_TRUE(f.CheckBox1->isChecked());
  EXPECT_FALSE(f.cbAFShowOptions->isChecked());
  EXPECT_TRUE(f.cbAFGetID3v1->isChecked());
  // A new configuration adds audio files only.
  EXPECT_TRUE(f.cbAFbyMask->isChecked());
  EXPECT_EQ(f.cbMask1->currentText(), kAudioFilesMask);
  EXPECT_EQ(itemsOf(*f.cbMask1), QStringList{kAudioFilesMask});
  EXPECT_EQ(f.rgAction->itemIndex(), -1);  // "Action/mode" missing: none chosen
  EXPECT_EQ(f.rgLimit->itemIndex(), 0);
  EXPECT_EQ(f.rg1Exists->itemIndex(), 2);
  EXPECT_EQ(f.rg2Exists->itemIndex(), 2);
  EXPECT_TRUE(f.cb11->isChecked());
  EXPECT_FALSE(f.cbRenameEnable->isChecked());
  EXPECT_EQ(f.rg3->itemIndex(), 2);
  EXPECT_EQ(f.cbCustomFC->currentIndex(), 2);
  EXPECT_EQ(f.cbFolders->currentIndex(), 0);
  EXPECT_TRUE(f.cbDelToTrash->isChecked());
  EXPECT_FALSE(f.isMaximized());

  quit(r);
  TkroObject saved;
  ASSERT_LE(saved.LoadFromFile((home / "conf5.kro").string(), 3), 0);
  TDSystem& sys = *saved.System;
  for (const char* key : {"Interface/Main/height", "Interface/Main/width", "Interface/Main/left",
                          "Interface/Main/top", "Interface/Main/wsMax", "Interface/Main/pNav",
                          "Interface/Main/pLeft", "Action/mode"})
    EXPECT_TRUE(sys.Exists(key, 1)) << key;
  for (const char* group :
       {"Interface/pAFOptions", "Interface/gbAFOptions", "Action/paCopy", "Action/paDelete",
        "Action/paMove", "Action/paRename", "Action/paDest", "Action/paFolders"})
    EXPECT_TRUE(sys.Exists(group, 1)) << group;
  EXPECT_EQ(sys.ReadInt("Action/mode", 5), -1);
  EXPECT_EQ(sys.ReadInt("Interface/Main/width", 0), f.geometry().width());
  EXPECT_TRUE(sys.Exists("Action/paDest/cbDest.items", 1));
  EXPECT_TRUE(sys.Exists("Interface/gbAFOptions/cbMask1.items", 1));
  EXPECT_TRUE(sys.Exists("Action/paFolders/cbCustomFC", 1));
  EXPECT_FALSE(sys.Exists("Action/paDest/Button6", 1));
  // The view's four designed columns had their widths written.
  auto cols = FindListColumns(saved);
  const auto specs = ReadListColumns(saved, cols.get());
  ASSERT_TRUE(specs.has_value());
  ASSERT_EQ(specs->size(), 4u);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ((*specs)[static_cast<std::size_t>(i)].width, f.List0->header()->sectionSize(i));
}

TEST_F(ConfigurationWindow, EverythingChangedComesBackOnTheNextStart) {
  QRect bounds;
  {
    Run r = start();
    TForm1& f = *r.form;
    bounds = QRect(37, 41, f.minimumWidth() + 17, f.minimumHeight() + 23);
    f.setGeometry(bounds);
    f.cbAFShowOptions->setChecked(true);
    f.CheckBox1->setChecked(false);
    // A configuration of its own: no audio mask among its items, no mask in use.
    f.cbMask1->clear();
    f.cbAFbyMask->setChecked(false);
    f.cbMask1->addItems({"*.mp3", "*.ogg", "*.flac"});
    f.cbMask1->setEditText("*.ogg");
    f.cbFoldersHistory->addItems({"/home/u/Музыка", "/mnt/usb"});
    f.cbFoldersHistory->setEditText("/mnt/usb");
    f.rgAction->setItemIndex(1);
    f.rg2Exists->setItemIndex(0);
    f.cbRenameEnable->setChecked(true);
    f.cb13->setChecked(true);
    f.rg3->setItemIndex(1);
    f.cbDest->addItems({"/media/player", "/media/stick"});
    f.cbDest->setEditText("/media/stick");
    f.rgLimit->setItemIndex(2);
    f.cbLimit->addItems({"700", "4000"});
    f.cbLimit->setEditText("4000");
    f.cbClearDest->setChecked(true);
    f.cbFolders->setCurrentIndex(3);
    f.cbCustomFC->setCurrentIndex(4);
    f.cbDelToTrash->setChecked(false);
    f.List0->header()->resizeSection(0, 333);
    quit(r);
  }
  Run r = start();
  TForm1& f = *r.form;
  // The bounds come back, kept on the screen (which may be narrower than the window).
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(f.size(), bounds.size());
  EXPECT_EQ(f.y(), bounds.y());
  EXPECT_EQ(f.x(), bounds.width() > area.width() ? area.x() : bounds.x());
  EXPECT_TRUE(f.cbAFShowOptions->isChecked());
  EXPECT_FALSE(f.CheckBox1->isChecked());
  // It keeps its own mask; the audio mask is offered at the end of its items.
  EXPECT_FALSE(f.cbAFbyMask->isChecked());
  EXPECT_EQ(itemsOf(*f.cbMask1), (QStringList{"*.mp3", "*.ogg", "*.flac", kAudioFilesMask}));
  EXPECT_EQ(f.cbMask1->currentText(), "*.ogg");
  EXPECT_EQ(itemsOf(*f.cbFoldersHistory), (QStringList{"/home/u/Музыка", "/mnt/usb"}));
  EXPECT_EQ(f.rgAction->itemIndex(), 1);
  EXPECT_EQ(f.rg2Exists->itemIndex(), 0);
  EXPECT_TRUE(f.cbRenameEnable->isChecked());
  EXPECT_TRUE(f.cb13->isChecked());
  EXPECT_EQ(f.rg3->itemIndex(), 1);
  EXPECT_EQ(itemsOf(*f.cbDest), (QStringList{"/media/player", "/media/stick"}));
  EXPECT_EQ(f.cbDest->currentText(), "/media/stick");
  EXPECT_EQ(f.rgLimit->itemIndex(), 2);
  EXPECT_EQ(f.cbLimit->currentText(), "4000");
  EXPECT_TRUE(f.cbClearDest->isChecked());
  EXPECT_EQ(f.cbFolders->currentIndex(), 3);
  EXPECT_EQ(f.cbCustomFC->currentIndex(), 4);
  EXPECT_FALSE(f.cbDelToTrash->isChecked());
  const auto specs = ReadListColumns(*r.conf.store, r.conf.columns.get());
  ASSERT_TRUE(specs.has_value());
  EXPECT_EQ(specs->at(0).width, 333);
}

TEST_F(ConfigurationWindow, QuittingMaximizedKeepsTheEarlierNormalBounds) {
  int width = 0;
  {
    Run probe = start();
    width = probe.form->minimumWidth() + 30;
  }
  {
    Run r = start();
    r.form->setGeometry(20, 30, width, r.form->minimumHeight() + 40);
    quit(r);
  }
  {
    Run r = start();
    EXPECT_FALSE(r.form->isMaximized());
    r.form->setWindowState(Qt::WindowMaximized);
    quit(r);
    TDSystem& sys = *r.conf.store->System;
    EXPECT_TRUE(sys.ReadBool("Interface/Main/wsMax", false));
    EXPECT_EQ(sys.ReadInt("Interface/Main/width", 0), width);
    EXPECT_EQ(sys.ReadInt("Interface/Main/left", 0), 20);
  }
  Run r = start();
  EXPECT_TRUE(r.form->isMaximized());
  EXPECT_EQ(r.form->normalGeometry().width(), width);
}

TEST(WindowBounds, StoredBoundsAreKeptOnTheAvailableArea) {
  const QRect area(0, 30, 1280, 994);  // a panel of 30 pixels at the top
  const QSize def(790, 560);
  // Bounds that fit stay as they are.
  EXPECT_EQ(FitWindowBounds(100, 80, 800, 600, area, def), QRect(100, 80, 800, 600));
  EXPECT_EQ(FitWindowBounds(0, 30, 1280, 994, area, def), QRect(0, 30, 1280, 994));
  // Sizes beyond the area, or not positive, give the default size.
  EXPECT_EQ(FitWindowBounds(10, 40, 2147483647, 2147483647, area, def), QRect(10, 40, 790, 560));
  EXPECT_EQ(FitWindowBounds(10, 40, 1281, 0, area, def), QRect(10, 40, 790, 560));
  EXPECT_EQ(FitWindowBounds(10, 40, -5, 600, area, def), QRect(10, 40, 790, 600));
  // Positions are moved inside, as little as needed, without overflowing.
  EXPECT_EQ(FitWindowBounds(2147483647, 2147483647, 800, 600, area, def),
            QRect(480, 424, 800, 600));
  EXPECT_EQ(FitWindowBounds(-2147483647 - 1, -2147483647 - 1, 800, 600, area, def),
            QRect(0, 30, 800, 600));
  EXPECT_EQ(FitWindowBounds(1000, 0, 800, 600, area, def), QRect(480, 30, 800, 600));
  // On a screen smaller than the default size, sizes up to the default are kept and the
  // window starts at the area's edge.
  const QRect small(0, 20, 640, 480);
  EXPECT_EQ(FitWindowBounds(300, 300, 700, 500, small, def), QRect(0, 20, 700, 500));
  EXPECT_EQ(FitWindowBounds(300, 300, 791, 561, small, def), QRect(0, 20, 790, 560));
  EXPECT_EQ(FitWindowBounds(0, 0, 0, 0, small, def), QRect(0, 20, 790, 560));
}

TEST_F(ConfigurationWindow, AbsurdStoredBoundsGiveADefaultWindowOnTheScreen) {
  QSize defaultSize;
  {
    Run r = start();
    defaultSize = r.form->size();
    quit(r);
  }
  {
    TkroObject conf;
    ASSERT_LE(conf.LoadFromFile((home / "conf5.kro").string(), 3), 0);
    for (const char* key : {"Interface/Main/width", "Interface/Main/height", "Interface/Main/left",
                            "Interface/Main/top"})
      conf.System->WriteValue(key, KroValue(2147483647));
    ASSERT_LE(conf.SaveToFile((home / "conf5.kro").string(), 0), 0);
  }
  Run r = start();
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(r.form->size(), defaultSize);
  // Wholly on the area, or from its edge in a direction it is larger than the area.
  const QRect g = r.form->geometry();
  EXPECT_TRUE(g.width() > area.width() ? g.left() == area.left()
                                       : g.left() >= area.left() && g.right() <= area.right());
  EXPECT_TRUE(g.height() > area.height() ? g.top() == area.top()
                                         : g.top() >= area.top() && g.bottom() <= area.bottom());
}

TEST_F(ConfigurationWindow, PanelSizesComeBackAfterTheWindowIsShown) {
  {
    Run r = start();
    r.form->setGeometry(10, 10, 1100, 720);
    r.form->show();
    QApplication::processEvents();
    r.form->spMain->setSizes({340, 760});
    r.form->spLeft->setSizes({210, 400});
    QApplication::processEvents();
    quit(r);
  }
  TkroObject saved;
  ASSERT_LE(saved.LoadFromFile((home / "conf5.kro").string(), 3), 0);
  const int nav = saved.System->ReadInt("Interface/Main/pNav", 0);
  const int left = saved.System->ReadInt("Interface/Main/pLeft", 0);
  EXPECT_GT(nav, 100);
  EXPECT_GT(left, 250);

  Run r = start();
  r.form->show();
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_EQ(r.form->pNav->height(), nav);
  EXPECT_EQ(r.form->pLeft->width(), left);
}

TEST_F(ConfigurationWindow, DeletingTheFileBringsTheDefaultsBack) {
  {
    Run r = start();
    r.form->cbDelToTrash->setChecked(false);
    r.form->rgAction->setItemIndex(2);
    quit(r);
  }
  std::filesystem::remove(home / "conf5.kro");
  Run r = start();
  EXPECT_TRUE(r.form->cbDelToTrash->isChecked());
  EXPECT_EQ(r.form->rgAction->itemIndex(), -1);
  const auto specs = ReadListColumns(*r.conf.store, r.conf.columns.get());
  ASSERT_TRUE(specs.has_value());
  EXPECT_EQ(specs->size(), 4u);
}
