#include "box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QPointer>

MessageBoxAnswerer::MessageBoxAnswerer(bool yes) : yes_(yes) {
  // Installed while the application object is being built, when it is not yet (or, in the
  // start-up's bus probe, never) a QApplication.
  QCoreApplication::instance()->installEventFilter(this);
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
  // Also destroyed as the application object's child, when that object is going away.
  if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
}

QMessageBox::StandardButton MessageBoxAnswerer::answerFor(QMessageBox::StandardButtons buttons,
                                                          bool yes) {
  const bool question = buttons & (QMessageBox::Yes | QMessageBox::No);
  if (!question) return (buttons & QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::Cancel;
  if (yes && (buttons & QMessageBox::Yes)) return QMessageBox::Yes;
  if (buttons & QMessageBox::No) return QMessageBox::No;
  return QMessageBox::Cancel;
}

bool MessageBoxAnswerer::eventFilter(QObject* watched, QEvent* event) {
  auto* box = event->type() == QEvent::Show ? qobject_cast<QMessageBox*>(watched) : nullptr;
  if (box) {
    // Pressed from the box's own event loop, once exec() waits for an answer.
    QMetaObject::invokeMethod(
        this,
        [shown = QPointer<QMessageBox>(box), yes = yes_] {
          if (!shown) return;
          QAbstractButton* b = shown->button(answerFor(shown->standardButtons(), yes));
          if (b)
            b->click();
          else
            shown->reject();
        },
        Qt::QueuedConnection);
  }
  return QObject::eventFilter(watched, event);
}
