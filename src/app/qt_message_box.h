#pragma once
// The QMessageBox implementation of the program's message-box interface. Boxes owned by
// the main window are parented to it (modal over it, centred on it); the unexpected-error
// box has no owner so it shows even when the main window is gone.
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
