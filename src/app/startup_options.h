#pragma once
// What the command line asks of a run: help or version (printed, no window), the `logs`
// switch (the program log goes to its file from the first line), the length of the splash
// countdown, and the files and folders to put into the list once the program runs.
#include <string>
#include <vector>

// The splash stays this long after the last window has been created.
constexpr int kDefaultSplashMs = 6000;

struct StartupOptions {
  bool logs = false;                  // "-logs", "/logs" or "--logs", any letter case
  int splashMs = kDefaultSplashMs;    // "--splash-ms=N" (0 to 6000): shortens the countdown
  bool help = false;                  // "-h", "--help": print helpText and end
  bool version = false;               // "-v", "--version": print the version and end
  std::string helpText;               // the usage text, always filled
  std::vector<std::string> paths;     // files and folders, absolute, in the given order
  std::string commandLine;            // the whole command line, for the log header
  std::vector<std::string> warnings;  // switches that could not be read, one text each
};

// True when `arg` is the logs switch: "-" or "/" (or "--") followed by "logs", letter case
// ignored.
bool IsLogsSwitch(const std::string& arg);

// Reads the arguments (args[0] is the program itself and is skipped by the parsing, but is
// part of the command line text). Arguments that are no switch are paths; a relative path
// is taken from the current folder, and everything after "--" is a path even when it
// starts with a dash. An unknown switch is reported in `warnings` and otherwise ignored.
StartupOptions ParseStartupOptions(const std::vector<std::string>& args);

// "Vo Tavel <version>": what --version prints.
std::string VersionText();

// The arguments joined by single spaces; an argument holding a space or being empty is
// put in double quotes, so the text reads back as the same arguments.
std::string JoinCommandLine(const std::vector<std::string>& args);
