#pragma once
// The program's name and version as the windows, the log header and the About box show them.
constexpr const char* kProgramName = "Vo Tavel";
constexpr const char* kProgramVersion = "0.9.2";
// "Vo Tavel 0.9.2": the main window's caption and the first log line.
constexpr const char* kProgramTitle = "Vo Tavel 0.9.2";
// Where users send their logs; written into the log header.
constexpr const char* kSupportMail = "support@tavel.example";
