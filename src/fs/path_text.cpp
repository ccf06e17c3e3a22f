#include "fs/path_text.h"

#include <charconv>
#include <limits>

bool IsSeparator(char c, int selector) {
  return (c == '/' && (selector & kSepSlash)) || (c == '\\' && (selector & kSepBackslash));
}

std::string StripTrailingSeparators(std::string_view text, int selector) {
  size_t end = text.size();
  while (end > 0 && IsSeparator(text[end - 1], selector)) --end;
  return std::string(text.substr(0, end));
}

std::string StripLeadingSeparators(std::string_view text, int selector) {
  size_t begin = 0;
  while (begin < text.size() && IsSeparator(text[begin], selector)) ++begin;
  return std::string(text.substr(begin));
}

std::string EnsureTrailingChar(std::string_view text, char ch) {
  std::string out(text);
  if (out.empty() || out.back() != ch) out.push_back(ch);
  return out;
}

std::string CollapseSeparators(std::string_view text, int start, int selector) {
  if (start < 1) start = 1;
  const size_t keep = std::min(text.size(), static_cast<size_t>(start - 1));
  std::string out(text.substr(0, keep));
  out.reserve(text.size());
  for (size_t i = keep; i < text.size(); ++i) {
    // Judged against the given text, not the output: the rule compares neighbours there.
    if (i > 0 && IsSeparator(text[i], selector) && IsSeparator(text[i - 1], selector)) continue;
    out.push_back(text[i]);
  }
  return out;
}

std::string JoinPath(const std::vector<std::string>& parts, char separator, int selector) {
  std::string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string part = parts[i];
    if (i + 1 < parts.size()) {
      part = StripTrailingSeparators(part, selector);
      part.push_back(separator);
    }
    if (i > 0) part = StripLeadingSeparators(part, selector);
    out += part;
  }
  return out;
}

namespace {

char foldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Length of the UTF-8 sequence starting at s[i]; a stray byte counts as one character.
size_t charLength(std::string_view s, size_t i) {
  const auto b = static_cast<unsigned char>(s[i]);
  size_t n = 1;
  if (b >= 0xF0 && b < 0xF8) {
    n = 4;
  } else if (b >= 0xE0) {
    n = b < 0xF0 ? 3 : 1;
  } else if (b >= 0xC0) {
    n = 2;
  }
  if (i + n > s.size()) return 1;
  for (size_t k = 1; k < n; ++k) {
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

// Iterative wildcard match with one backtrack point for the last '*'.
bool matchWild(std::string_view name, std::string_view mask) {
  size_t n = 0, m = 0;
  size_t starMask = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = ++m;
      starName = n;
    } else if (m < mask.size() && mask[m] == '?') {
      n += charLength(name, n);
      ++m;
    } else if (m < mask.size() && foldAscii(mask[m]) == foldAscii(name[n])) {
      ++n;
      ++m;
    } else if (starMask != std::string_view::npos) {
      starName += charLength(name, starName);
      n = starName;
      m = starMask;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
  if (mask.empty() || mask == "*" || mask == "*.*") return true;
  if (matchWild(name, mask)) return true;
  // "song.*" names song as well: an extension wildcard also stands for no extension.
  if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*") {
    return matchWild(name, mask.substr(0, mask.size() - 2));
  }
  return false;
}

bool NameLess(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(foldAscii(a[i]));
    const auto y = static_cast<unsigned char>(foldAscii(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

bool HoldsNul(std::string_view text) {
  return text.find('\0') != std::string_view::npos;
}

int ParseLooseInt(std::string_view text, std::int32_t& value) {
  value = 0;
  std::string kept;
  for (char c : text) {
    if (c == '-' || (c >= '0' && c <= '9')) kept.push_back(c);
  }
  if (kept.empty()) return 255;
  std::int32_t parsed = 0;
  const char* first = kept.data();
  const char* last = kept.data() + kept.size();
  const auto [ptr, ec] = std::from_chars(first, last, parsed, 10);
  if (ec != std::errc() || ptr != last) return 255;
  value = parsed;
  return 0;
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOfPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
