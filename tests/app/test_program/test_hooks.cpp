// What the test-only build of the program adds to the shipped entry: read from the
// environment once the application object exists, never part of the shipped program.
// - TAVEL_TEST_ANSWER=yes|no: every message box is answered at once (see box_answerer.h);
// - TAVEL_TEST_THROW=<message>: once the main event loop runs, a timer throws a TavelError
//   with that message, as a faulty command would;
// - TAVEL_TEST_CLOSE=1: together with TAVEL_TEST_THROW, closes all windows shortly after
//   the error was handled, the way the user would end the program after going on.
#include <QApplication>
#include <QThread>
#include <QTimer>

#include "app/exception_handler.h"
#include "box_answerer.h"

namespace {

// Waits for the main event loop (start-up's own message pumping runs at loop level 0), then
// raises the error the way a faulty command would.
void armTestThrow() {
  QTimer::singleShot(50, qApp, [] {
    if (QThread::currentThread()->loopLevel() < 1) {
      armTestThrow();
      return;
    }
    if (qEnvironmentVariableIntValue("TAVEL_TEST_CLOSE") == 1)
      QTimer::singleShot(200, qApp, [] { QApplication::closeAllWindows(); });
    throw TavelError(qEnvironmentVariable("TAVEL_TEST_THROW").toStdString());
  });
}

void installTestHooks() {
  // The start-up's bus probe builds a bare core application in a child process; the hooks
  // belong to the window program only.
  if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  const QByteArray answer = qgetenv("TAVEL_TEST_ANSWER").toLower();
  if (answer == "yes" || answer == "no") {
    auto* answerer = new MessageBoxAnswerer(answer == "yes");
    answerer->setParent(QCoreApplication::instance());
  }
  if (!qEnvironmentVariableIsEmpty("TAVEL_TEST_THROW")) armTestThrow();
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installTestHooks)
