#pragma once
// The QMessageBox implementation of the program's message-box interface. Boxes owned by
// the main window are parented to it (modal over it, centred on it); the unexpected-error
// box has no owner so it shows even when the main window is gone.
//
// Test hook: with the environment variable TAVEL_TEST_ANSWER set to "yes" or "no", no box
// is shown; a question is answered Yes or No at once and any other box Ok. Child-process
// tests of the whole program use it; normal runs never set it.
#include "lang/message_box.h"

class QWidget;

class QtMessageBox : public IMessageBox {
 public:
  explicit QtMessageBox(QWidget* mainWindow = nullptr);
  void setMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }
  MsgResult show(const MessageRequest& request) override;

 private:
  QWidget* mainWindow_ = nullptr;
};
