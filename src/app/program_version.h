#pragma once
// The program's name and version as the windows, the log header and the About box show them
// (generated from the project version), and where users send their logs.
#include "tavel_version.h"

// Written into the log header.
constexpr const char* kSupportMail = "support@tavel.example";
