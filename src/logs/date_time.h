#pragma once
// Local date-time with milliseconds, and its formatting by the program's patterns:
// dd, mm, yyyy, hh, nn, ss, zzz (two-digit day, month, hour 0..23, minute, second;
// four-digit year; three-digit milliseconds); ':' is the time separator (':' here) and
// every other character stands for itself.
#include <chrono>
#include <string>

struct LocalDateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point t);
LocalDateTime NowLocal();
std::string FormatDateTime(const std::string& pattern, const LocalDateTime& t);

// Days since 30 December 1899 (the store's date-time values) of a local date-time.
double ToStoreDateTime(const LocalDateTime& t);
