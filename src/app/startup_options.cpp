#include "app/startup_options.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <cctype>
#include <charconv>

#include "app/program_version.h"

namespace {

std::string lowerAscii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

constexpr const char* kSplashName = "splash-ms";
// The switch only shortens the countdown; it never holds the splash longer than usual.
constexpr int kMaxSplashMs = kDefaultSplashMs;

// Reads one --splash-ms value into `o`, or notes why it was ignored.
void readSplashValue(const std::string& value, StartupOptions& o) {
  int ms = 0;
  auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
  if (value.empty() || ec != std::errc() || end != value.data() + value.size() || ms < 0 ||
      ms > kMaxSplashMs) {
    o.warnings.push_back("ignored --" + std::string(kSplashName) + "=" + value +
                         ": expected a whole number of milliseconds from 0 to " +
                         std::to_string(kMaxSplashMs));
  } else {
    o.splashMs = ms;
  }
}

}  // namespace

bool IsLogsSwitch(const std::string& arg) {
  const std::string a = lowerAscii(arg);
  return a == "-logs" || a == "/logs" || a == "--logs";
}

std::string VersionText() {
  return std::string(kProgramName) + " " + kProgramVersion;
}

StartupOptions ParseStartupOptions(const std::vector<std::string>& args) {
  StartupOptions o;
  o.commandLine = JoinCommandLine(args);

  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Fills music players and flash drives from your music collection.\n"
      "Files and folders given are added to the list once the window is open: folders as\n"
      "the Add Folder page would add them, .m3u playlists imported, other files added."));
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Show this help and quit."));
  const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                   QStringLiteral("Show the version and quit."));
  const QCommandLineOption logs(
      QStringLiteral("logs"),
      QStringLiteral("Write the program log to its file from the first line (also -logs, /logs)."));
  const QCommandLineOption splash(
      QString::fromLatin1(kSplashName),
      QStringLiteral("Show the start-up splash for <ms> milliseconds (0 to 6000) after the "
                     "windows are made."),
      QStringLiteral("ms"));
  parser.addOption(help);
  parser.addOption(version);
  parser.addOption(logs);
  parser.addOption(splash);
  parser.addPositionalArgument(QStringLiteral("paths"),
                               QStringLiteral("Folders, .m3u playlists and files to add."),
                               QStringLiteral("[paths...]"));
  o.helpText = parser.helpText().toStdString();
  // The usage line names the program as the user called it (Qt names it after the
  // application object, which does not exist yet when help is asked for).
  const std::string usage = "Usage: ";
  const std::size_t nameEnd = o.helpText.find(" [options]");
  if (o.helpText.rfind(usage, 0) == 0 && nameEnd != std::string::npos && !args.empty())
    o.helpText.replace(usage.size(), nameEnd - usage.size(),
                       QFileInfo(QString::fromStdString(args[0])).fileName().toStdString());

  // The logs switch keeps its older spellings ("/logs", any letter case) and the splash
  // switch its letter case, which the parser does not know: they are read here, and the
  // parser sees the rest. Nothing after "--" is a switch.
  QStringList rest;
  rest << QString::fromStdString(args.empty() ? std::string("tavel") : args[0]);
  bool switches = true;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (switches && a == "--") switches = false;
    if (switches && IsLogsSwitch(a)) {
      o.logs = true;
      continue;
    }
    const std::string prefix = "--" + std::string(kSplashName) + "=";
    if (switches && lowerAscii(a.substr(0, prefix.size())) == prefix) {
      rest << QString::fromStdString(prefix + a.substr(prefix.size()));
      continue;
    }
    rest << QString::fromStdString(a);
  }
  // A word after one dash is a long option ("-version"), as users of older tools type it.
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  if (!parser.parse(rest) && parser.unknownOptionNames().isEmpty())
    o.warnings.push_back(parser.errorText().toStdString());
  for (const QString& name : parser.unknownOptionNames())
    o.warnings.push_back("ignored unknown option " + std::string(name.size() > 1 ? "--" : "-") +
                         name.toStdString());
  o.help = parser.isSet(help);
  o.version = parser.isSet(version);
  for (const QString& v : parser.values(splash)) readSplashValue(v.toStdString(), o);
  for (const QString& p : parser.positionalArguments()) {
    if (p.isEmpty()) continue;
    o.paths.push_back(QFileInfo(p).absoluteFilePath().toStdString());
  }
  return o;
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
  std::string out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) out += ' ';
    const std::string& a = args[i];
    if (a.empty() || a.find_first_of(" \t") != std::string::npos)
      out += '"' + a + '"';
    else
      out += a;
  }
  return out;
}
