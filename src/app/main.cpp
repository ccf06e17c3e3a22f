// Tavel's entry: reads the switches, creates the application object and hands over to the
// program's owner, which runs start-up, the message loop and shutdown.
#include <QLibraryInfo>
#include <QTranslator>
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "app/data_folder.h"
#include "app/exception_handler.h"
#include "app/program.h"
#include "app/startup_options.h"
#include "lang/string_table.h"

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
  const std::string dataFolder = ChooseDataFolder(CurrentDataFolderInputs());
  if (dataFolder.empty())
    std::cerr << "tavel: no data folder (set TAVEL_HOME or HOME); settings will not be kept\n";

  TavelApplication app(argc, argv);
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
