#include "worklist/text_encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Unicode code points of the Windows-1251 bytes 0x80 to 0xFF.
constexpr std::array<std::uint16_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

void appendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool isContinuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// Decodes the well-formed sequence at `pos`; returns its length (0 when malformed) and
// puts the code point into `cp`.
std::size_t decodeAt(std::string_view s, std::size_t pos, std::uint32_t& cp) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = at(pos);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  std::size_t len;
  std::uint32_t min;
  if (c >= 0xC2 && c <= 0xDF) {
    len = 2;
    cp = c & 0x1F;
    min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    len = 3;
    cp = c & 0x0F;
    min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    len = 4;
    cp = c & 0x07;
    min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() - pos < len) return 0;
  for (std::size_t i = 1; i < len; ++i) {
    if (!isContinuation(at(pos + i))) return 0;
    cp = (cp << 6) | (at(pos + i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

char cp1251Byte(std::uint32_t cp, char replacement) {
  if (cp < 0x80) return static_cast<char>(cp);
  for (std::size_t i = 0; i < kCp1251High.size(); ++i) {
    if (kCp1251High[i] == cp) return static_cast<char>(0x80 + i);
  }
  return replacement;
}

char foldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlank(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

}  // namespace

bool IsValidUtf8(std::string_view text) {
  std::uint32_t cp;
  for (std::size_t pos = 0; pos < text.size();) {
    // Plain ASCII runs are the common case; skip them without decoding.
    if (static_cast<unsigned char>(text[pos]) < 0x80) {
      ++pos;
      continue;
    }
    const std::size_t len = decodeAt(text, pos, cp);
    if (len == 0) return false;
    pos += len;
  }
  return true;
}

std::string Cp1251ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      appendUtf8(out, kCp1251High[c - 0x80]);
    }
  }
  return out;
}

std::string Utf8ToCp1251(std::string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  std::uint32_t cp;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t len = decodeAt(text, pos, cp);
    if (len == 0) {
      out += replacement;
      ++pos;
      continue;
    }
    out += cp1251Byte(cp, replacement);
    pos += len;
  }
  return out;
}

std::string BytesToUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp1251ToUtf8(bytes);
}

std::string_view SkipUtf8Bom(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return bytes;
}

std::size_t Utf8CharLength(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return 0;
  std::uint32_t cp;
  const std::size_t len = decodeAt(text, pos, cp);
  return len == 0 ? 1 : len;
}

std::size_t Utf8Decode(std::string_view text, std::size_t pos, std::uint32_t& cp) {
  return pos < text.size() ? decodeAt(text, pos, cp) : 0;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  appendUtf8(out, cp);
}

std::size_t Utf8CharCount(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < text.size(); pos += Utf8CharLength(text, pos)) ++count;
  return count;
}

std::size_t Utf8BoundaryAtOrBefore(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return text.size();
  if (!isContinuation(static_cast<unsigned char>(text[pos]))) return pos;
  // A continuation byte is inside a character only when a well-formed sequence that
  // starts at most three bytes back reaches over it; otherwise it stands alone.
  const std::size_t lowest = pos >= 3 ? pos - 3 : 0;
  for (std::size_t start = pos; start-- > lowest;) {
    if (isContinuation(static_cast<unsigned char>(text[start]))) continue;
    std::uint32_t cp;
    const std::size_t len = decodeAt(text, start, cp);
    return (len > 0 && start + len > pos) ? start : pos;
  }
  return pos;
}

std::string_view Utf8CutToBytes(std::string_view text, std::size_t maxBytes) {
  return text.substr(0, Utf8BoundaryAtOrBefore(text, maxBytes));
}

std::string_view TrimBlanksLeft(std::string_view text) {
  std::size_t b = 0;
  while (b < text.size() && isBlank(text[b])) ++b;
  return text.substr(b);
}

std::string_view TrimBlanksRight(std::string_view text) {
  std::size_t e = text.size();
  while (e > 0 && isBlank(text[e - 1])) --e;
  return text.substr(0, e);
}

std::string_view TrimBlanks(std::string_view text) {
  return TrimBlanksRight(TrimBlanksLeft(text));
}

std::string RemoveControlChars(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) continue;
    // U+0080-U+009F are C2 80 to C2 9F in UTF-8.
    if (c == 0xC2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9F) {
        ++i;
        continue;
      }
    }
    out += static_cast<char>(c);
  }
  return out;
}

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t b = text.find_first_not_of(' ');
  if (b == std::string_view::npos) return {};
  return text.substr(b, text.find_last_not_of(' ') - b + 1);
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return foldAscii(x) == foldAscii(y);
         });
}

bool EndsWithIgnoreAsciiCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsIgnoreAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}
