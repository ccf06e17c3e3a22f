// Tavel's entry: reads the switches, creates the application object and hands over to the
// program's owner, which runs start-up, the message loop and shutdown.
#include <unistd.h>

#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/data_folder.h"
#include "app/exception_handler.h"
#include "app/program.h"
#include "app/session_bus_guard.h"
#include "app/shutdown_signals.h"
#include "app/startup_options.h"
#include "lang/lang.h"
#include "lang/string_table.h"

namespace {

constexpr int kNoDisplayText = 410;

// While the application object connects to the display, Qt's messages about the platform
// are held back: without a display it would print several lines and abort; instead the
// program says in one line what is missing and ends with status 1.
QtMessageHandler previousHandler = nullptr;
std::vector<std::string> heldBack;

void startupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    const std::string line = "tavel: " + LangString(kNoDisplayText) + "\n";
    [[maybe_unused]] const ssize_t w = ::write(STDERR_FILENO, line.data(), line.size());
    ::_exit(1);
  }
  const std::string category = context.category ? context.category : "";
  if (category.rfind("qt.qpa", 0) == 0) {
    heldBack.push_back(category + ": " + text.toStdString());
    return;
  }
  if (previousHandler) previousHandler(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
  // The table is chosen before anything shows a text, the splash included.
  SetTableLanguage(TableLanguageFromEnvironment());
  const std::vector<std::string> args(argv, argv + argc);
  // Help and version are answered before anything needs a display.
  const StartupOptions early = ParseStartupOptions(args);
  if (early.help || early.version) {
    std::cout << (early.help ? early.helpText : VersionText() + "\n") << std::flush;
    return 0;
  }
  // Without one (no HOME, no TAVEL_HOME) the program runs on and says so in a box.
  const std::string dataFolder = ChooseDataFolder(CurrentDataFolderInputs());

  // Before anything else that takes time: a signal from now on ends the program through
  // its normal shutdown.
  InstallShutdownSignalHandlers();
  // A session bus that takes the connection but never answers would hold the first window
  // back for good (Qt's accessibility bridge waits for it); such a bus is left out.
  const SessionBusCheck bus = GuardSessionBus();
  if (!bus.warning().empty()) std::cerr << "tavel: " << bus.warning() << "\n";
  previousHandler = qInstallMessageHandler(startupMessageHandler);
  TavelApplication app(argc, argv);
  qInstallMessageHandler(previousHandler);
  for (const std::string& m : heldBack) std::cerr << m << "\n";
  heldBack.clear();
  // Qt has taken its own switches (-platform, -style, ...) out of the arguments by now; the
  // rest is ours. The log shows the command line as it was given.
  StartupOptions options = ParseStartupOptions(std::vector<std::string>(argv, argv + argc));
  options.commandLine = early.commandLine;
  for (const std::string& w : options.warnings) std::cerr << "tavel: " << w << "\n";
  // Qt takes the user's locale for the whole process; numbers stay "C" (the media player
  // refuses to start otherwise), and the user's decimal separator is read from the
  // locale settings where a text needs it.
  std::setlocale(LC_NUMERIC, "C");
  // Qt's own texts (the buttons of message boxes, the file dialogs) speak the language of
  // the program's table: Russian needs Qt's translation, English is Qt's own.
  QTranslator qtTexts;
  if (CurrentTableLanguage() == TableLanguage::Russian &&
      qtTexts.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QCoreApplication::installTranslator(&qtTexts);
  TavelProgram program(std::move(options), dataFolder);
  return program.run();
}
