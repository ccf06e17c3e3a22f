// The player group of the started main window over a silent fake device: the play
// requests of the list, the command and the buttons, the displays and the status bar.
#include "app/player_panel.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLayout>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <cstdlib>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/main_window_parts.h"
#include "app/operation_panel.h"
#include "app/program.h"
#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "lang/fake_message_box.h"
#include "lang/lang.h"
#include "player/fake_media_device.h"
#include "test_support.h"

namespace {

class PlayerPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.FormCreate();
    auto device = std::make_unique<FakeMediaDevice>();
    dev = device.get();
    form.parts().player.player().setDevice(std::move(device));
    WorkListView& view = form.parts().view;
    for (int i = 1; i <= 3; ++i) {
      const int n = program.workList()->Add("/music/" + std::to_string(i) + ".mp3", "",
                                            "Song " + std::to_string(i), 1000, 0, 0);
      view.ListAddItem(n);
    }
  }
  void TearDown() override { form.FormClose(); }

  QModelIndex rowIndex(int row) { return form.listModel()->index(row, 0); }
  void focus(int row) {
    form.List0->selectionModel()->setCurrentIndex(
        rowIndex(row), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
  std::string text(QLabel* label) { return label->text().toStdString(); }
  std::int32_t lengthOf(int row) {
    program.workList()->SelectIndex(row);
    return program.workList()->Cursor->GetLength();
  }

  TempDir home;
  FakeMessageBox boxes;
  TavelProgram program{ParseStartupOptions({"tavel"}), home.str()};
  TForm1 form{program};
  FakeMediaDevice* dev = nullptr;
};

}  // namespace

TEST_F(PlayerPanelTest, StartsIdleWithBothTimersRunning) {
  EXPECT_FALSE(form.ipPos->isEnabled());
  EXPECT_EQ(form.ipPos->maximum(), 0);
  EXPECT_EQ(text(form.ipTime), "");
  EXPECT_EQ(form.windowTitle(), "Vo Tavel 0.9.2");
  EXPECT_TRUE(form.ipTimer1->isActive());
  EXPECT_TRUE(form.ipTimer2->isActive());
  EXPECT_EQ(form.ipTimer1->interval(), 600);
}

TEST_F(PlayerPanelTest, SliderIsEightAndDisplaysSixteenPixelsNarrowerThanTheGroup) {
  form.show();
  for (const int width : {1000, 1300}) {
    form.resize(width, 700);
    form.gbPlayer->layout()->activate();
    const QRect client = form.gbPlayer->contentsRect();
    SCOPED_TRACE(client.width());
    EXPECT_EQ(form.ipPos->x(), client.left() + 4);
    EXPECT_EQ(form.ipPos->width(), client.width() - 8);
    for (QLabel* display : {form.ipTime, form.ipTitle}) {
      EXPECT_EQ(display->x(), client.left() + 8);
      EXPECT_EQ(display->width(), client.width() - 16);
    }
    // The quick-start button stands in the middle of its group.
    const QRect quick = form.gbQuickStart->rect();
    EXPECT_LE(std::abs(form.Button8->geometry().center().x() - quick.center().x()), 1);
  }
}

TEST_F(PlayerPanelTest, DoubleClickPlaysTheRowAndShowsIt) {
  dev->lengths["/music/2.mp3"] = 245600;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  focus(1);
  const QRect r = form.List0->visualRect(rowIndex(1));
  ASSERT_TRUE(form.List0->isVisible());
  ASSERT_TRUE(r.isValid());
  QTest::mousePress(form.List0->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseRelease(form.List0->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(form.List0->viewport(), Qt::LeftButton, {}, r.center());
  ASSERT_EQ(dev->file, "/music/2.mp3");
  EXPECT_EQ(dev->mode, kModePlaying);
  EXPECT_EQ(text(form.ipTitle), "Song 2");
  EXPECT_EQ(form.windowTitle(), "Song 2 - Vo Tavel 0.9.2");
  EXPECT_EQ(program.applicationTitle(), "Song 2 - Vo Tavel 0.9.2");
  EXPECT_EQ(form.statusPanel(0)->text().toStdString(), LangFormat(492, {std::string("Song 2")}));
  EXPECT_TRUE(form.ipPos->isEnabled());
  EXPECT_EQ(form.ipPos->maximum(), 245600);
  EXPECT_EQ(lengthOf(1), 245);
  // The row shows the stored length (column 2 is the length column).
  bool shown = false;
  for (int c = 0; c < form.listModel()->columnCount(); ++c)
    shown = shown || form.listModel()->cellText(1, c) == QString::fromStdString(SecondsToText(245));
  EXPECT_TRUE(shown);
}

TEST_F(PlayerPanelTest, CommandAndButtonsDriveThePlayer) {
  focus(0);
  form.parts().commands.CmdCall(4100, kSourceMenu, true);
  ASSERT_EQ(dev->file, "/music/1.mp3");

  form.bipNext->click();
  EXPECT_EQ(dev->file, "/music/2.mp3");
  EXPECT_EQ(form.List0->currentIndex().row(), 1);
  EXPECT_TRUE(form.List0->selectionModel()->isRowSelected(1, {}));

  form.bipPause->click();
  EXPECT_EQ(dev->mode, kModePaused);
  form.bipPlay->click();
  EXPECT_EQ(dev->mode, kModePlaying);
  EXPECT_EQ(dev->file, "/music/2.mp3");

  form.bipPrev->click();
  EXPECT_EQ(dev->file, "/music/1.mp3");
  form.bipPrev->click();
  EXPECT_EQ(dev->file, "/music/1.mp3");

  // The user drags the slider: the target shows, the seek waits for the seek timer.
  dev->position = 60000;
  form.ipPos->setValue(150000);
  EXPECT_EQ(text(form.ipTime), "2:30 >> 4:02");
  EXPECT_FALSE(form.ipTimer2->isActive());
  EXPECT_TRUE(form.ipTimer1->isActive());
  // The seek timer fires.
  form.parts().player.player().ipTimer1Timer();
  ASSERT_FALSE(dev->seeks.empty());
  EXPECT_EQ(dev->seeks.back(), 150000);
  EXPECT_FALSE(form.ipTimer1->isActive());
  EXPECT_TRUE(form.ipTimer2->isActive());

  form.bipStop->click();
  EXPECT_TRUE(dev->file.empty());
  EXPECT_EQ(text(form.ipTime), "");
  EXPECT_EQ(text(form.ipTitle), "");
  EXPECT_FALSE(form.ipPos->isEnabled());
  EXPECT_EQ(form.windowTitle(), "Vo Tavel 0.9.2");
  EXPECT_EQ(form.statusPanel(0)->text(), "");
  EXPECT_EQ(form.ipTimer2->interval(), 1000);
}

TEST_F(PlayerPanelTest, TrackEndMovesTheListFocusToTheNextRow) {
  focus(0);
  form.bipPlay->click();
  dev->PlayToEnd();
  EXPECT_EQ(dev->file, "/music/2.mp3");
  EXPECT_EQ(form.List0->currentIndex().row(), 1);
  EXPECT_EQ(text(form.ipTitle), "Song 2");
}

TEST_F(PlayerPanelTest, UnopenableFileShowsTheErrorBoxAndStaysIdle) {
  dev->broken.insert("/music/3.mp3");
  focus(2);
  form.bipPlay->click();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, LangFormat(491, {std::string("/music/3.mp3")}));
  EXPECT_TRUE(dev->file.empty());
  EXPECT_FALSE(form.ipPos->isEnabled());
  EXPECT_EQ(form.windowTitle(), "Vo Tavel 0.9.2");
  EXPECT_EQ(form.statusPanel(0)->text().toStdString(),
            LangFormat(490, {std::string("/music/3.mp3")}));
}

TEST_F(PlayerPanelTest, NothingPlaysWithoutARow) {
  form.bipPlay->click();
  form.bipNext->click();  // no row focused: starts below the first row
  EXPECT_EQ(dev->opened, std::vector<std::string>{"/music/2.mp3"});
  form.parts().view.ClearList();
  form.bipStop->click();
  form.bipNext->click();
  form.bipPlay->click();
  EXPECT_EQ(dev->opened.size(), 1u);
}

TEST_F(PlayerPanelTest, StartingAnOperationStopsPlayback) {
  focus(0);
  form.bipPlay->click();
  ASSERT_EQ(dev->file, "/music/1.mp3");
  OperationPanel& panel = form.parts().operation;
  int runs = 0;
  panel.setProgressRunner([&](const OperationParameters&) {
    ++runs;
    EXPECT_TRUE(dev->file.empty()) << "the player stops before the run starts";
  });
  panel.SelectAction(actCopy);
  form.cbDest->setEditText(QString::fromStdString(home.str()));
  form.rgLimit->button(limitManual)->click();
  form.cbLimit->setEditText(QStringLiteral("100"));
  form.Start->click();
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(dev->file.empty());
  EXPECT_EQ(form.windowTitle(), "Vo Tavel 0.9.2");
}
