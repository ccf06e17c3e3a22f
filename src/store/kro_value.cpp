#include <charconv>
#include <cmath>
#include <limits>

#include "store/kro.h"

namespace {

std::string_view trimmed(std::string_view t) {
  while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ') t.remove_prefix(1);
  while (!t.empty() && static_cast<unsigned char>(t.back()) <= ' ') t.remove_suffix(1);
  return t;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// A text as a number: an integer, "true" / "false", or a decimal number (with '.' or ',').
bool textToDouble(std::string_view t, double& out) {
  t = trimmed(t);
  if (t.empty()) return false;
  if (t.front() == '+') t.remove_prefix(1);
  std::string buf(t);
  for (char& c : buf)
    if (c == ',') c = '.';
  double d = 0;
  const auto [p, ec] = std::from_chars(buf.data(), buf.data() + buf.size(), d);
  if (ec != std::errc() || p != buf.data() + buf.size() || !std::isfinite(d)) return false;
  out = d;
  return true;
}

bool textToInt64(std::string_view t, std::int64_t& out) {
  t = trimmed(t);
  if (equalsNoCase(t, "true")) {
    out = 1;
    return true;
  }
  if (equalsNoCase(t, "false")) {
    out = 0;
    return true;
  }
  std::string_view digits = t;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  std::int64_t v = 0;
  const auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (!digits.empty() && ec == std::errc() && p == digits.data() + digits.size()) {
    out = v;
    return true;
  }
  double d = 0;
  if (!textToDouble(t, d)) return false;
  if (d < -9.2e18 || d > 9.2e18) return false;
  out = static_cast<std::int64_t>(d);  // a decimal text reads as its whole part
  return true;
}

bool toInt64(const KroValue& v, std::int64_t& out) {
  switch (v.kind) {
    case KroValue::Kind::Byte:
    case KroValue::Kind::Int32:
    case KroValue::Kind::Int64:
    case KroValue::Kind::Boolean:
      out = v.i;
      return true;
    case KroValue::Kind::DateTime:
      if (!std::isfinite(v.d) || v.d < -9.2e18 || v.d > 9.2e18) return false;
      out = static_cast<std::int64_t>(v.d);
      return true;
    case KroValue::Kind::Text:
      return textToInt64(v.s, out);
    case KroValue::Kind::Empty:
      break;
  }
  return false;
}

}  // namespace

std::string KroValue::asText(const std::string& def) const {
  switch (kind) {
    case Kind::Text:
      return s;
    case Kind::Byte:
    case Kind::Int32:
    case Kind::Int64:
      return std::to_string(i);
    case Kind::Boolean:
      return i ? "true" : "false";
    case Kind::DateTime: {
      char buf[40];
      const auto [p, ec] = std::to_chars(buf, buf + sizeof buf, d);
      return ec == std::errc() ? std::string(buf, p) : def;
    }
    case Kind::Empty:
      break;
  }
  return def;
}

std::int64_t KroValue::asInt64(std::int64_t def) const {
  std::int64_t v = 0;
  return toInt64(*this, v) ? v : def;
}

std::int32_t KroValue::asInt(std::int32_t def) const {
  std::int64_t v = 0;
  if (!toInt64(*this, v)) return def;
  // An unsigned 32-bit value (flag words) reads as its bit pattern.
  if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::uint32_t>::max())
    return def;
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

std::uint8_t KroValue::asByte(std::uint8_t def) const {
  std::int64_t v = 0;
  if (!toInt64(*this, v) || v < 0 || v > 255) return def;
  return static_cast<std::uint8_t>(v);
}

bool KroValue::asBool(bool def) const {
  switch (kind) {
    case Kind::DateTime:
      return d != 0.0;
    case Kind::Text: {
      std::int64_t v = 0;
      if (textToInt64(s, v)) return v != 0;
      double f = 0;
      return textToDouble(s, f) ? f != 0.0 : def;
    }
    case Kind::Empty:
      return def;
    default:
      return i != 0;
  }
}

double KroValue::asDouble(double def) const {
  switch (kind) {
    case Kind::DateTime:
      return d;
    case Kind::Text: {
      double f = 0;
      if (textToDouble(s, f)) return f;
      std::int64_t v = 0;
      return textToInt64(s, v) ? static_cast<double>(v) : def;
    }
    case Kind::Empty:
      return def;
    default:
      return static_cast<double>(i);
  }
}

bool KroValue::operator==(const KroValue& o) const {
  if (kind != o.kind) return false;
  switch (kind) {
    case Kind::Empty:
      return true;
    case Kind::Text:
      return s == o.s;
    case Kind::DateTime:
      return d == o.d || (std::isnan(d) && std::isnan(o.d));
    default:
      return i == o.i;
  }
}
