#include "app/qt_message_box.h"

#include <QMessageBox>
#include <QString>

namespace {

QMessageBox::Icon iconOf(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Warning:
      return QMessageBox::Warning;
    case MsgIcon::Error:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// The table's line breaks are CR LF; Qt draws a lone CR as a visible glyph.
QString displayText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return s;
}

}  // namespace

QtMessageBox::QtMessageBox(QWidget* mainWindow) : mainWindow_(mainWindow) {}

MsgResult QtMessageBox::show(const MessageRequest& request) {
  QMessageBox box(request.ownedByMainWindow ? mainWindow_ : nullptr);
  box.setIcon(iconOf(request.icon));
  box.setWindowTitle(QString::fromStdString(request.caption));
  box.setText(displayText(request.text));
  box.setTextFormat(Qt::PlainText);
  QMessageBox::StandardButtons buttons;
  if (request.buttons & mbOK) buttons |= QMessageBox::Ok;
  if (request.buttons & mbYes) buttons |= QMessageBox::Yes;
  if (request.buttons & mbNo) buttons |= QMessageBox::No;
  if (request.buttons & mbCancel) buttons |= QMessageBox::Cancel;
  if (!buttons) buttons = QMessageBox::Ok;
  box.setStandardButtons(buttons);
  if (request.buttons & mbYes) box.setDefaultButton(QMessageBox::Yes);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return MsgResult::Yes;
    case QMessageBox::No:
      return MsgResult::No;
    case QMessageBox::Cancel:
      return MsgResult::Cancel;
    case QMessageBox::Ok:
      return MsgResult::Ok;
    default:
      break;
  }
  // Closed by the window's close button or Escape: the safe answer.
  if (request.buttons & mbCancel) return MsgResult::Cancel;
  if (request.buttons & mbNo) return MsgResult::No;
  return MsgResult::Ok;
}
