#pragma once
// The two error boxes of the program and the one-line value log. Each box also leaves a
// line in the program log, so a log shows what the user was told. Boxes go through
// ShowBox (lang/message_box.h).
#include <string>

#include "logs/values.h"

// A state that should not occur (a configuration without column data, a command number
// of 0 or below). `text` is a short tag naming the place or a description. Logs
// "BugFS: " + text and shows text 18 with the text filled in, caption "Vo Tavel".
void BugFS(const std::string& text);
// The same with the values appended on a second line after text 19 ("Параметры:").
void BugFS(const std::string& text, const TValues& values);

// An error the user must see: logs "ShowMessageE: " + text and shows the text in an
// error box captioned with text 450.
void ShowMessageE(const std::string& text);
void ShowMessageE(int id);

// One program-log line: the texts of the values joined by single spaces.
void LogValues(const TValues& values);
