#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include "app/qt_message_box.h"
#include "test_program/box_answerer.h"

namespace {

MessageRequest request(int buttons, bool owned = true) {
  MessageRequest r;
  r.caption = "Vo Tavel";
  r.text = "line one\r\nline two";
  r.icon = MsgIcon::Question;
  r.buttons = buttons;
  r.ownedByMainWindow = owned;
  return r;
}

// What the box looked like when it came up, and which button the "user" pressed.
struct SeenBox {
  QString text, title;
  QWidget* parent = nullptr;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttonCount = 0;
};

// Answers the next box that comes up by pressing `button`, recording what it showed.
void answerNextBox(QMessageBox::StandardButton button, SeenBox& seen) {
  QTimer::singleShot(0, [button, &seen] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      seen = {box->text(), box->windowTitle(), box->parentWidget(), box->icon(),
              static_cast<int>(box->buttons().size())};
      box->button(button)->click();
      return;
    }
    answerNextBox(button, seen);  // not up yet
  });
}

}  // namespace

// The child-process tests' answerer presses the chosen button on the real box.
TEST(QtMessageBox, TheTestProgramsAnswererPressesTheChosenButton) {
  QtMessageBox box;
  {
    MessageBoxAnswerer a(true);
    EXPECT_EQ(box.show(request(mbYesNo)), MsgResult::Yes);
    EXPECT_EQ(box.show(request(mbOK)), MsgResult::Ok);
  }
  {
    MessageBoxAnswerer a(false);
    EXPECT_EQ(box.show(request(mbYesNo)), MsgResult::No);
    EXPECT_EQ(box.show(request(mbYes | mbCancel)), MsgResult::Cancel);
    EXPECT_EQ(box.show(request(mbOK)), MsgResult::Ok);
  }
}

TEST(QtMessageBox, ShowsTheRequestAndReturnsTheButtonPressed) {
  QWidget mainWindow;
  QtMessageBox box(&mainWindow);

  SeenBox seen;
  answerNextBox(QMessageBox::No, seen);
  EXPECT_EQ(box.show(request(mbYesNo)), MsgResult::No);
  EXPECT_EQ(seen.text, "line one\nline two");  // CR LF shown as one line break
  EXPECT_EQ(seen.title, "Vo Tavel");
  EXPECT_EQ(seen.parent, &mainWindow);
  EXPECT_EQ(seen.icon, QMessageBox::Question);
  EXPECT_EQ(seen.buttonCount, 2);

  answerNextBox(QMessageBox::Yes, seen);
  EXPECT_EQ(box.show(request(mbYesNo, false)), MsgResult::Yes);
  EXPECT_EQ(seen.parent, nullptr);  // the unexpected-error box has no owner

  MessageRequest error = request(mbOK);
  error.icon = MsgIcon::Error;
  answerNextBox(QMessageBox::Ok, seen);
  EXPECT_EQ(box.show(error), MsgResult::Ok);
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.buttonCount, 1);
}
