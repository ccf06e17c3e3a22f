#include "lang/lang.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "lang/string_table.h"

namespace {

// Replaces every occurrence of `pattern` (ASCII letters compared without regard to case)
// by `by`. The scan goes on after each inserted text, so an inserted text is never
// searched again within the same call.
std::string replaceAllNoCase(const std::string& text, const std::string& pattern,
                             const std::string& by) {
  if (pattern.empty()) return text;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    bool match = i + pattern.size() <= text.size();
    for (std::size_t k = 0; match && k < pattern.size(); ++k)
      match = lower(text[i + k]) == lower(pattern[k]);
    if (match) {
      out += by;
      i += pattern.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string placeholderText(const TValue& v) {
  if (v.kind == TValue::Kind::Pointer) return ValueToText(v) + "h";
  return ValueToText(v);
}

struct SizeUnits {
  std::string bytes, kilo, mega, giga;
};

SizeUnits builtInUnits() {
  return {"", " KB", " MB", " GB"};
}

SizeUnits& units() {
  static SizeUnits u = builtInUnits();
  return u;
}

// q tenths as text: "1", "1.5" (with the user's decimal separator). q stays far below
// 10^14 (a 64-bit byte count in megabytes' tenths), so the digits are what the general
// floating-point form with 15 significant digits would show.
std::string tenths(std::int64_t q) {
  std::string text = std::to_string(q / 10);
  if (const std::int64_t tenth = q % 10; tenth != 0) {
    text += DecimalSeparator();
    text += static_cast<char>('0' + tenth);
  }
  return text;
}

// The converted texts of the table, kept per thread and per slot together with the raw
// text they came from (the tables are static, so a raw text's address names it): a change
// of language gives other raw texts and so a fresh conversion.
struct ConvertedSlot {
  const char* raw = nullptr;
  std::string text;
};
}  // namespace

std::string LangString(int id) {
  const char* raw = StringTableSlot(id);
  if (!raw) return std::string();
  if (id < 0 || id >= kStringTableSize) return ConvertEscapes(raw);
  thread_local std::array<ConvertedSlot, kStringTableSize> converted;
  ConvertedSlot& slot = converted[static_cast<std::size_t>(id)];
  if (slot.raw != raw) {
    slot.text = ConvertEscapes(raw);
    slot.raw = raw;
  }
  return slot.text;
}

std::string ConvertEscapes(const std::string& raw) {
  return replaceAllNoCase(replaceAllNoCase(raw, "\\n", "\r\n"), "\\t", "\t");
}

std::string FormatPlaceholders(std::string text, const TValues& values) {
  char pattern[24];
  for (std::size_t i = 0; i < values.size(); ++i) {
    std::snprintf(pattern, sizeof pattern, "%%%zu", i + 1);
    // Digits and '%' have no letter case: the plain search finds what a case-blind one would.
    std::size_t at = text.find(pattern);
    if (at == std::string::npos) continue;  // the value's text is not needed
    const std::string by = placeholderText(values[i]);
    const std::size_t length = std::strlen(pattern);
    // One pass over the text as it stands: what is inserted is not searched again for
    // this value.
    std::string out;
    out.reserve(text.size() + by.size());
    std::size_t from = 0;
    while (at != std::string::npos) {
      out.append(text, from, at - from);
      out += by;
      from = at + length;
      at = text.find(pattern, from);
    }
    out.append(text, from, std::string::npos);
    text = std::move(out);
  }
  return text;
}

std::string LangFormat(int id, const TValues& values) {
  return FormatPlaceholders(LangString(id), values);
}

void LoadSizeUnits() {
  units() = {" " + LangString(20), " " + LangString(21), " " + LangString(22),
             " " + LangString(23)};
}

void ResetSizeUnits() {
  units() = builtInUnits();
}

std::string SizeToText(std::int64_t n) {
  const SizeUnits& u = units();
  if (n >= 1000000000) return tenths(n / 100000000) + u.giga;
  if (n >= 1000000) return tenths(n / 100000) + u.mega;
  if (n < 1000) return std::to_string(n) + u.bytes;
  return tenths(n / 100) + u.kilo;
}

std::string SecondsToText(std::int32_t seconds) {
  // Work on the magnitude in 64 bits: the lowest 32-bit value has no positive counterpart,
  // and remainders of negative numbers would put the minus sign inside the digits.
  std::int64_t s = seconds;
  std::string text;
  if (s < 0) {
    text = "-";
    s = -s;
  }
  const std::int64_t h = s / 3600;
  if (h > 0) {
    text += std::to_string(h) + ":";
    s %= 3600;
  }
  text += std::to_string(s / 60) + ":";
  const std::int64_t sec = s % 60;
  if (sec < 10) text += "0";
  text += std::to_string(sec);
  return text;
}
