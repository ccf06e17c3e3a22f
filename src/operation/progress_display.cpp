#include "operation/progress_display.h"

#include "logs/date_time.h"

std::string TimePrefixedLine(const std::string& text) {
  return "[" + FormatDateTime("hh.nn:ss", NowLocal()) + "] " + text;
}
