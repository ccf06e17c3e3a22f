#include "logs/values.h"

#include <QLocale>
#include <cstdio>

namespace {
char pinnedSeparator = 0;
}

char DecimalSeparator() {
  if (pinnedSeparator) return pinnedSeparator;
  static const char fromLocale = [] {
    const QString dp = QLocale::system().decimalPoint();
    return (dp.size() == 1 && dp[0].unicode() < 128) ? static_cast<char>(dp[0].unicode()) : '.';
  }();
  return fromLocale;
}

void SetDecimalSeparator(char sep) { pinnedSeparator = sep; }

std::string FloatToText(double v, int digits) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", digits, v);
  std::string out(buf);
  const char sep = DecimalSeparator();
  for (char& c : out)
    if (c == '.') c = sep;
  return out;
}

std::string ValueToText(const TValue& v) {
  switch (v.kind) {
    case TValue::Kind::Integer:
    case TValue::Kind::Int64:
      return std::to_string(v.i);
    case TValue::Kind::Boolean:
      return v.i ? "true" : "false";
    case TValue::Kind::Char:
      return std::string(1, static_cast<char>(v.i));
    case TValue::Kind::Float:
      return FloatToText(v.f);
    case TValue::Kind::ShortString:
    case TValue::Kind::String:
    case TValue::Kind::CString:
    case TValue::Kind::Object:
    case TValue::Kind::Class:
      return v.s;
    case TValue::Kind::Pointer: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%08X", static_cast<unsigned>(static_cast<std::uint64_t>(v.i) & 0xFFFFFFFFu));
      return buf;
    }
    case TValue::Kind::Other:
      break;
  }
  return {};
}
