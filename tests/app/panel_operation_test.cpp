// The operation panel: which groups show for each action, the switches of the rename and
// folder-layout groups, the size limit from each kind of limit and its status texts, the
// destination picker, and the start of a run with its histories.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/operation_panel.h"
#include "app/radio_group.h"
#include "lang/lang.h"
#include "panel_test_support.h"
#include "player/fake_media_device.h"
#include "player/player.h"

namespace {

class PanelTest : public ::testing::Test, public FormFixture {
 protected:
  OperationPanel& panel = form.parts().operation;

  std::int64_t limit() const { return panel.limitBytes(); }
  void setDest(const std::string& text) { form.cbDest->setEditText(QString::fromStdString(text)); }
  // The user picks a kind of limit with the mouse.
  void clickLimitKind(int index) { form.rgLimit->button(index)->click(); }
  void typeLimit(const std::string& text) {
    form.cbLimit->setEditText(QString::fromStdString(text));
  }
  std::string statusLimit(std::int64_t bytes) { return LangFormat(278, {SizeToText(bytes)}); }
};

struct Shown {
  bool dest, copy, move, del, right;
};

Shown shownPanels(TForm1& f) {
  return {!f.paDest->isHidden(), !f.paCopy->isHidden(), !f.paMove->isHidden(),
          !f.paDelete->isHidden(), !f.pa2->isHidden()};
}

}  // namespace

TEST_F(PanelTest, EachActionShowsItsGroupsAndNamesItselfOnTheQuickStartButton) {
  panel.SelectAction(actCopy);
  Shown s = shownPanels(form);
  EXPECT_TRUE(s.dest && s.copy && s.right);
  EXPECT_FALSE(s.move || s.del);
  EXPECT_TRUE(form.Button8->isEnabled());
  EXPECT_EQ(form.Button8->text().toStdString(), "Операция: Копировать");

  panel.SelectAction(actMove);
  s = shownPanels(form);
  EXPECT_TRUE(s.dest && s.move && s.right);
  EXPECT_FALSE(s.copy || s.del);
  EXPECT_EQ(form.Button8->text().toStdString(), "Операция: Переместить");

  panel.SelectAction(actDelete);
  s = shownPanels(form);
  EXPECT_TRUE(s.del);
  EXPECT_FALSE(s.dest || s.copy || s.move || s.right);
  EXPECT_EQ(form.Button8->text().toStdString(), "Операция: Удалить");

  // No action: nothing shows, the quick start is disabled and keeps its last caption.
  panel.SelectAction(-1);
  s = shownPanels(form);
  EXPECT_FALSE(s.dest || s.copy || s.move || s.del || s.right);
  EXPECT_FALSE(form.Button8->isEnabled());
  EXPECT_EQ(form.Button8->text().toStdString(), "Операция: Удалить");
  EXPECT_EQ(form.rgAction->itemIndex(), -1);

  // The layout runs as one bulk change that is closed again, with the status bar emptied.
  EXPECT_FALSE(view->busy());
  EXPECT_EQ(status(), "");
  EXPECT_TRUE(form.centralWidget()->updatesEnabled());
}

TEST_F(PanelTest, ClickingAnActionInTheGroupLaysThePanelOut) {
  panel.SelectAction(actCopy);
  form.rgAction->button(actDelete)->click();
  EXPECT_EQ(form.rgAction->itemIndex(), actDelete);
  EXPECT_FALSE(form.paDelete->isHidden());
  EXPECT_TRUE(form.paDest->isHidden());
  EXPECT_EQ(panel.Parameters().action, actDelete);
}

TEST_F(PanelTest, RenameSwitchAndFolderLayoutDriveTheirControls) {
  panel.SelectAction(actCopy);
  for (QWidget* w : {static_cast<QWidget*>(form.cb11), static_cast<QWidget*>(form.cb12),
                     static_cast<QWidget*>(form.cb13), static_cast<QWidget*>(form.cb14),
                     static_cast<QWidget*>(form.cb15), static_cast<QWidget*>(form.rg3)})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  form.cbRenameEnable->click();
  for (QWidget* w : {static_cast<QWidget*>(form.cb11), static_cast<QWidget*>(form.cb12),
                     static_cast<QWidget*>(form.cb13), static_cast<QWidget*>(form.cb14),
                     static_cast<QWidget*>(form.cb15), static_cast<QWidget*>(form.rg3)})
    EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  // The two hidden ones stay hidden.
  EXPECT_TRUE(form.cb12->isHidden());
  EXPECT_TRUE(form.cb15->isHidden());
  form.cbRenameEnable->click();
  EXPECT_FALSE(form.rg3->isEnabled());

  EXPECT_TRUE(form.cbCustomFC->isHidden());
  EXPECT_EQ(form.paFolders->height(), 57);
  form.cbFolders->setCurrentIndex(3);
  EXPECT_FALSE(form.cbCustomFC->isHidden());
  EXPECT_FALSE(form.Label4->isHidden());
  EXPECT_EQ(form.paFolders->height(), 85);
  form.cbFolders->setCurrentIndex(2);
  EXPECT_TRUE(form.cbCustomFC->isHidden());
  EXPECT_TRUE(form.Label4->isHidden());
  EXPECT_EQ(form.paFolders->height(), 57);
}

TEST(ManualLimit, ReadsOnlyWholeSignedNumbersOfMegabytes) {
  EXPECT_EQ(ManualLimitBytes("3000"), 3'000'000'000LL);
  EXPECT_EQ(ManualLimitBytes("5000"), 5'000'000'000LL);  // beyond 32 bits once multiplied
  EXPECT_EQ(ManualLimitBytes(" 42 "), 42'000'000LL);
  EXPECT_EQ(ManualLimitBytes("+7"), 7'000'000LL);
  EXPECT_EQ(ManualLimitBytes("-5"), -5'000'000LL);
  EXPECT_EQ(ManualLimitBytes("0"), 0);
  EXPECT_EQ(ManualLimitBytes("2147483647"), 2'147'483'647'000'000LL);
  EXPECT_EQ(ManualLimitBytes("-2147483648"), -2'147'483'648'000'000LL);
  // Not an integer: units, letters, inner signs, other notations, out of range, nothing.
  for (const char* text : {"700 МБ", "700МБ", "7-0", "1e3", "0x10", "1.5", "1,5", "2147483648", "-",
                           "+", "", "   ", "--5", "+-5"})
    EXPECT_EQ(ManualLimitBytes(text), 0) << text;
}

TEST_F(PanelTest, ManualLimitFollowsEveryEditWithItsStatusText) {
  panel.SelectAction(actCopy);
  setDest("/media/player");
  clickLimitKind(limitManual);
  EXPECT_FALSE(form.cbLimit->isHidden());
  EXPECT_FALSE(form.Label3->isHidden());
  EXPECT_TRUE(form.Button6->isHidden());
  EXPECT_TRUE(form.Label6->isHidden());

  typeLimit("3000");
  EXPECT_EQ(limit(), 3'000'000'000LL);
  EXPECT_EQ(status(), "Ограничение установлено равным 3 ГБ");
  typeLimit("5000");
  EXPECT_EQ(limit(), 5'000'000'000LL);
  EXPECT_EQ(status(), statusLimit(5'000'000'000LL));

  // Passes the start's lenient check, but is no limit here.
  typeLimit("700 МБ");
  EXPECT_EQ(limit(), 0);
  EXPECT_EQ(status(), "Ограничение установлено равным 0 ");

  typeLimit("-5");
  EXPECT_EQ(limit(), -5'000'000LL);
  EXPECT_EQ(status(), "Ошибка при вводе ограничения по размеру");
  EXPECT_EQ(ValidateOperation(panel.Parameters()), 322);

  // Back to an automatic kind: the manual controls hide, the limit waits for a refresh.
  clickLimitKind(limitAutoFree);
  EXPECT_TRUE(form.cbLimit->isHidden());
  EXPECT_TRUE(form.Label3->isHidden());
  EXPECT_FALSE(form.Button6->isHidden());
  EXPECT_FALSE(form.Label6->isHidden());
  EXPECT_EQ(limit(), 0);
  EXPECT_EQ(form.Label6->text().toStdString(), "0 ");
}

TEST_F(PanelTest, EmptyDestinationKeepsTheLimitAndSaysWhatIsMissing) {
  panel.SelectAction(actCopy);
  setDest("/media/player");
  clickLimitKind(limitManual);
  typeLimit("3000");
  ASSERT_EQ(limit(), 3'000'000'000LL);

  for (const char* empty : {"", "   ", " /// ", "\\\\"}) {
    setDest(empty);
    typeLimit("5000");
    EXPECT_EQ(limit(), 3'000'000'000LL) << empty;
    EXPECT_EQ(status(), "Не выбрана папка места назначения") << empty;
    typeLimit("3000");
  }
  // Nor does an automatic refresh change it.
  clickLimitKind(limitAutoFree);
  form.Button6->click();
  EXPECT_EQ(limit(), 3'000'000'000LL);
}

TEST_F(PanelTest, AutomaticLimitIsAskedFromTheDestinationVolumeOnlyOnRefresh) {
  TempDir dest;
  panel.SelectAction(actCopy);
  // A destination that does not exist yet is measured on its nearest existing folder.
  setDest(" " + dest.str() + "/player/music/ ");
  clickLimitKind(limitAutoTotal);
  EXPECT_EQ(limit(), 0);  // a click on the kinds never asks the volume
  form.Button6->click();
  const auto space = std::filesystem::space(dest.path());
  EXPECT_EQ(limit(), static_cast<std::int64_t>(space.capacity));
  EXPECT_EQ(status(), statusLimit(limit()));
  EXPECT_EQ(form.Label6->text().toStdString(), SizeToText(limit()));
  EXPECT_FALSE(view->busy());

  clickLimitKind(limitAutoFree);
  EXPECT_EQ(limit(), 0);
  EXPECT_EQ(status(), "Ограничение установлено равным 0 ");
  // Typing a destination asks nothing either.
  setDest(dest.str());
  EXPECT_EQ(limit(), 0);
  form.Button6->click();
  const auto after = std::filesystem::space(dest.path());
  // Free space moves while other programs write; it stays within what they could write.
  const std::int64_t slack = 512LL * 1000 * 1000;
  EXPECT_NEAR(static_cast<double>(limit()), static_cast<double>(after.available),
              static_cast<double>(slack));
  EXPECT_GT(limit(), 0);

  // A volume that cannot be asked (the nearest existing ancestor is a file) gives no limit.
  writeFile(dest.path() / "file.txt", "x");
  setDest(dest.str() + "/file.txt/sub");
  form.Button6->click();
  EXPECT_EQ(limit(), 0);
  EXPECT_EQ(status(), "Ограничение установлено равным 0 ");

  // A change of action asks again.
  setDest(dest.str());
  panel.SelectAction(actMove);
  EXPECT_GT(limit(), 0);
}

TEST_F(PanelTest, PickedDestinationIsMeasuredAndCancelChangesNothing) {
  TempDir dest;
  panel.SelectAction(actCopy);
  std::string askedTitle;
  std::optional<std::string> answer;
  pickFolder = [&](const std::string& title) {
    askedTitle = title;
    return answer;
  };
  setDest("/old/place");
  form.Button9->click();
  EXPECT_EQ(askedTitle, "Выбор папки места назначения (приемника)");
  EXPECT_EQ(form.cbDest->currentText().toStdString(), "/old/place");

  answer = dest.str();
  form.Button9->click();
  EXPECT_EQ(form.cbDest->currentText().toStdString(), dest.str());
  EXPECT_GT(limit(), 0);
  EXPECT_EQ(status(), statusLimit(limit()));
}

TEST_F(PanelTest, StartRunsTheDialogWithTheLimitInForceAndRemembersHistories) {
  panel.SelectAction(actCopy);
  add(1000, true);
  add(2000, false);
  std::vector<OperationParameters> runs;
  std::vector<std::int32_t> flagsSeen;
  panel.setProgressRunner([&](const OperationParameters& p) {
    runs.push_back(p);
    workList.SelectIndex(0);
    flagsSeen.push_back(workList.Cursor->GetFlags());
    // The run changes an entry; the rows show it afterwards.
    workList.Cursor->SetSize(4096);
  });
  // The preview plays the first entry (through a stand-in for the sound device).
  auto device = std::make_unique<FakeMediaDevice>();
  FakeMediaDevice* dev = device.get();
  TPlayer& player = form.parts().player.player();
  player.setDevice(std::move(device));
  form.List0->selectionModel()->setCurrentIndex(
      form.listModel()->index(0, 0),
      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  player.bipPlayClick(PlaySource::PlayButton);
  ASSERT_FALSE(dev->file.empty());
  auto playerStopped = [dev] { return dev->file.empty(); };

  // Refused: no destination. Nothing runs and nothing is remembered.
  form.Start->click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].caption, "Ошибка введенных данных");
  EXPECT_EQ(boxes.shown[0].text, "Не выбрана папка места назначения");
  EXPECT_TRUE(runs.empty());
  EXPECT_FALSE(playerStopped());

  setDest(" /media/player ");
  clickLimitKind(limitManual);
  typeLimit("100");
  form.Start->click();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(playerStopped());
  EXPECT_EQ(runs[0].action, actCopy);
  EXPECT_EQ(runs[0].limitBytes, 100'000'000LL);
  EXPECT_EQ(runs[0].destination, " /media/player ");
  EXPECT_TRUE(flagsSeen[0] & FLAG_MARKED);
  ASSERT_GE(form.cbDest->count(), 1);
  EXPECT_EQ(form.cbDest->itemText(0).toStdString(), "/media/player");
  EXPECT_EQ(form.cbLimit->itemText(0).toStdString(), "100");
  EXPECT_EQ(form.listModel()->cellText(0, 1).toStdString(), SizeToText(4096));
  EXPECT_FALSE(view->busy());

  // The quick-start button starts the same way; a repeated text moves up, not in twice.
  setDest("/media/other");
  form.Button8->click();
  setDest("/MEDIA/PLAYER");
  form.Button8->click();
  EXPECT_EQ(runs.size(), 3u);
  ASSERT_EQ(form.cbDest->count(), 2);
  EXPECT_EQ(form.cbDest->itemText(0).toStdString(), "/media/player");
  EXPECT_EQ(form.cbDest->itemText(1).toStdString(), "/media/other");

  // Delete needs neither destination nor limit and leaves the destination history alone.
  panel.SelectAction(actDelete);
  setDest("");
  form.Start->click();
  EXPECT_EQ(runs.size(), 4u);
  EXPECT_EQ(runs.back().action, actDelete);
  EXPECT_EQ(form.cbDest->count(), 2);
}

TEST_F(PanelTest, AfterARunTheAutomaticLimitIsAskedAgain) {
  TempDir dest;
  panel.SelectAction(actCopy);
  add(1000, true);
  setDest(dest.str());
  clickLimitKind(limitAutoFree);
  form.Button6->click();
  const std::int64_t before = limit();
  std::size_t logAtRun = 0;
  panel.setProgressRunner([&](const OperationParameters&) {
    logAtRun = logSize();
    // The run fills the destination, so the figure asked before it no longer holds.
    std::ofstream(dest / "copied.bin") << std::string(8 << 20, 'x');
    ::sync();
  });
  form.Start->click();
  ASSERT_GT(logAtRun, 0u);
  // The destination's volume was asked after the run: its free space, not the old figure.
  EXPECT_TRUE(logHas("rgLC()", logAtRun));
  EXPECT_NE(limit(), before);
  EXPECT_GT(limit(), 0);
  EXPECT_EQ(form.Label6->text().toStdString(), SizeToText(limit()));
}

TEST_F(PanelTest, NoOperationStartsWhileAListChangeRuns) {
  panel.SelectAction(actDelete);
  add(1000, true);
  int runs = 0;
  panel.setProgressRunner([&](const OperationParameters&) { ++runs; });
  form.show();
  EXPECT_TRUE(form.Start->isEnabled());
  EXPECT_TRUE(form.Button8->isEnabled());

  // A folder scan is filling the list.
  view->BeginListWork("scan");
  EXPECT_FALSE(form.Start->isEnabled());
  EXPECT_FALSE(form.Button8->isEnabled());
  form.Start->click();
  form.Button8->click();
  for (QPushButton* b : {form.Start, form.Button8}) {
    QTest::keyClick(b, Qt::Key_Return);
    QTest::keyClick(b, Qt::Key_Space);
    QTest::mouseClick(b, Qt::LeftButton);
  }
  EXPECT_EQ(panel.StartClick(), 0);
  EXPECT_EQ(runs, 0);
  // Another action picked meanwhile changes the panels inside the scan's bracket.
  panel.SelectAction(actCopy);
  EXPECT_TRUE(view->busy()) << "the scan's bracket is still open";
  EXPECT_FALSE(form.Button8->isEnabled());
  EXPECT_TRUE(boxes.shown.empty());

  view->EndListWork("");
  EXPECT_TRUE(form.Start->isEnabled());
  EXPECT_TRUE(form.Button8->isEnabled());
  panel.SelectAction(actDelete);
  form.Button8->click();
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(view->busy());
}

TEST_F(PanelTest, LimitAskedWhileAScanOrImportRunsLeavesTheirBracketOpen) {
  TempDir dest;
  TempDir music;
  for (const char* name : {"a.mp3", "b.mp3", "sub/c.mp3"}) {
    std::filesystem::create_directories((music / name).parent_path());
    writeFile(music / name, std::string(1000, 'x'));
  }
  writeFile(music / "list.m3u", "#EXTM3U\r\na.mp3\r\nb.mp3\r\nsub/c.mp3\r\n");
  panel.SelectAction(actCopy);
  setDest(dest.str());
  clickLimitKind(limitAutoFree);
  ASSERT_EQ(limit(), 0);
  form.show();
  // Every added file pumps window messages, as a long scan does between clock ticks.
  view->adder().setClock([t = std::int64_t{0}]() mutable { return ++t; });

  // `step` is what the user does while the next list change runs: it is queued when the
  // change's bracket opens and so arrives at the change's first pump of window messages.
  struct Inside {
    bool ran = false, busy = false, start = false, quickStart = false;
  };
  const auto duringNextListWork = [this](std::function<void()> step) {
    auto inside = std::make_shared<Inside>();
    auto link = std::make_shared<QMetaObject::Connection>();
    *link = QObject::connect(view, &WorkListView::busyChanged, &form, [=, this](bool busy) {
      if (!busy) return;
      QObject::disconnect(*link);
      QMetaObject::invokeMethod(
          &form,
          [=, this] {
            step();
            *inside = {true, view->busy(), form.Start->isEnabled(), form.Button8->isEnabled()};
          },
          Qt::QueuedConnection);
    });
    return inside;
  };
  const auto expectClosedToTheUser = [](const Inside& in, const char* what) {
    EXPECT_TRUE(in.ran) << what;
    EXPECT_TRUE(in.busy) << what << ": the list change's bracket was closed early";
    EXPECT_FALSE(in.start) << what;
    EXPECT_FALSE(in.quickStart) << what;
  };
  const std::int64_t slack = 512LL * 1000 * 1000;
  // Afterwards the list is open again and the bar compares the ticked files with the limit
  // the volume gave.
  const auto expectOpenWithLimit = [&](const char* what) {
    EXPECT_FALSE(view->busy()) << what;
    EXPECT_TRUE(form.Start->isEnabled()) << what;
    EXPECT_TRUE(form.Button8->isEnabled()) << what;
    EXPECT_GT(limit(), 0) << what;
    EXPECT_NEAR(static_cast<double>(limit()),
                static_cast<double>(std::filesystem::space(dest.path()).available),
                static_cast<double>(slack))
        << what;
    EXPECT_EQ(form.Label6->text().toStdString(), SizeToText(limit())) << what;
    const std::int64_t ticked = view->MarkedTotalBytes();
    EXPECT_EQ(form.lLimit->text().toStdString(),
              LangFormat(139, {SizeToText(ticked), SizeToText(limit()), LangString(138),
                               SizeToText(limit() - ticked)}))
        << what;
    EXPECT_EQ(status(), LangString(143)) << what << ": the list change's own result stays";
  };

  // "Обновить" pressed during a folder scan: the volume is asked at once, the scan goes on.
  std::shared_ptr<Inside> in = duringNextListWork([this] { form.Button6->click(); });
  std::size_t logFrom = logSize();
  view->adder().AddFolder(music.str(), "*.mp3", true, true, false);
  expectClosedToTheUser(*in, "refresh");
  EXPECT_TRUE(logHas("rgLC() end", logFrom));
  EXPECT_EQ(form.listModel()->rowCountTotal(), 3);
  EXPECT_EQ(status(1), "3");
  expectOpenWithLimit("refresh");

  // A destination picked with "..." during a playlist import.
  TempDir other;
  clickLimitKind(limitAutoFree);
  ASSERT_EQ(limit(), 0);
  pickFolder = [&](const std::string&) { return std::optional<std::string>(dest.str()); };
  setDest(other.str());
  in = duringNextListWork([this] { form.Button9->click(); });
  ImportPlaylistFile(*view, (music / "list.m3u").string(), true);
  expectClosedToTheUser(*in, "picked destination");
  EXPECT_EQ(form.cbDest->currentText().toStdString(), dest.str());
  EXPECT_EQ(form.listModel()->rowCountTotal(), 3);
  expectOpenWithLimit("picked destination");

  // Another action clicked during a scan asks the volume again inside the scan's bracket.
  clickLimitKind(limitAutoFree);
  ASSERT_EQ(limit(), 0);
  workList.ClearEntries();
  view->ListClear();
  in = duringNextListWork([this] { form.rgAction->button(actMove)->click(); });
  view->adder().AddFolder(music.str(), "*.mp3", true, true, false);
  expectClosedToTheUser(*in, "action");
  EXPECT_EQ(form.rgAction->itemIndex(), actMove);
  EXPECT_FALSE(form.paMove->isHidden());
  expectOpenWithLimit("action");
}
