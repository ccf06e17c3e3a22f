#pragma once
// What the command line asks of a run: the `logs` switch (the program log goes to its file
// from the first line) and the length of the splash countdown. Plain C++, no Qt.
#include <string>
#include <vector>

// The splash stays this long after the last window has been created.
constexpr int kDefaultSplashMs = 6000;

struct StartupOptions {
  bool logs = false;                  // "-logs", "/logs" or "--logs", any letter case
  int splashMs = kDefaultSplashMs;    // "--splash-ms=N" (0 to 6000): shortens the countdown
  std::string commandLine;            // the whole command line, for the log header
  std::vector<std::string> warnings;  // switches that could not be read, one text each
};

// True when `arg` is the logs switch: "-" or "/" (or "--") followed by "logs", letter case
// ignored.
bool IsLogsSwitch(const std::string& arg);

// Reads the switches from the arguments (args[0] is the program itself and is skipped by
// the switch parsing, but is part of the command line text). Unknown arguments are left
// alone: other parts of the program may read them.
StartupOptions ParseStartupOptions(const std::vector<std::string>& args);

// The arguments joined by single spaces; an argument holding a space or being empty is
// put in double quotes, so the text reads back as the same arguments.
std::string JoinCommandLine(const std::vector<std::string>& args);
