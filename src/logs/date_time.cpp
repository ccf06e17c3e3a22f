#include "logs/date_time.h"

#include <cstdio>
#include <ctime>

LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point t) {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count();
  std::time_t secs = static_cast<std::time_t>(ms / 1000);
  long long rest = ms % 1000;
  if (rest < 0) {
    rest += 1000;
    --secs;
  }
  std::tm tm{};
  localtime_r(&secs, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(rest)};
}

LocalDateTime NowLocal() { return ToLocalDateTime(std::chrono::system_clock::now()); }

std::string FormatDateTime(const std::string& pattern, const LocalDateTime& t) {
  std::string out;
  char buf[16];
  auto two = [&](int v) {
    std::snprintf(buf, sizeof buf, "%02d", v);
    out += buf;
  };
  for (size_t i = 0; i < pattern.size();) {
    auto at = [&](const char* tok) { return pattern.compare(i, std::char_traits<char>::length(tok), tok) == 0; };
    if (at("yyyy")) {
      std::snprintf(buf, sizeof buf, "%04d", t.year);
      out += buf;
      i += 4;
    } else if (at("zzz")) {
      std::snprintf(buf, sizeof buf, "%03d", t.millisecond);
      out += buf;
      i += 3;
    } else if (at("dd")) {
      two(t.day);
      i += 2;
    } else if (at("mm")) {
      two(t.month);
      i += 2;
    } else if (at("hh")) {
      two(t.hour);
      i += 2;
    } else if (at("nn")) {
      two(t.minute);
      i += 2;
    } else if (at("ss")) {
      two(t.second);
      i += 2;
    } else {
      out += pattern[i];  // ':' is the time separator, which is ':' on this platform
      ++i;
    }
  }
  return out;
}

double ToStoreDateTime(const LocalDateTime& t) {
  // Days from 1899-12-30 by the proleptic Gregorian calendar (days-from-civil).
  auto daysFromCivil = [](int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int>(doe) - 719468;
  };
  const int days = daysFromCivil(t.year, t.month, t.day) - daysFromCivil(1899, 12, 30);
  const double frac = (t.hour * 3600000.0 + t.minute * 60000.0 + t.second * 1000.0 + t.millisecond) / 86400000.0;
  return days + frac;
}
