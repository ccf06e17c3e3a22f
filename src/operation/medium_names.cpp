#include "operation/medium_names.h"

#include <sys/stat.h>

#include <cstring>

#include "fs/file_tree.h"
#include "operation/dest_path.h"
#include "operation/operation_parameters.h"
#include "worklist/text_encoding.h"

namespace {

bool isControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

char upperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The code point of the character at pos and its length; a byte that starts no character
// gives itself and length 1.
char32_t decodeAt(std::string_view s, std::size_t pos, std::size_t& len) {
  std::uint32_t cp = 0;
  len = Utf8Decode(s, pos, cp);
  if (len == 0) {
    len = 1;
    return static_cast<unsigned char>(s[pos]);
  }
  return cp;
}

char32_t foldChar(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0xC0) return c;
  if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
  if (c >= 0x100 && c <= 0x137) return c | 1;
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 32;
  if (c >= 0x400 && c <= 0x40F) return c + 80;
  if (c >= 0x410 && c <= 0x42F) return c + 32;
  if (c >= 0x460 && c <= 0x4FF) return c | 1;
  return c;
}

// A name without trailing dots and spaces (Windows drops them, so two names would meet).
void trimTrailingDotsSpaces(std::string& s) {
  while (!s.empty() && (s.back() == '.' || s.back() == ' ')) s.pop_back();
}

// The longest leading part of at most `units` UTF-16 units, on a character boundary.
std::string cutToUnits(std::string_view s, std::size_t units) {
  std::size_t used = 0, pos = 0;
  while (pos < s.size()) {
    std::size_t len = 0;
    const char32_t c = decodeAt(s, pos, len);
    const std::size_t w = c >= 0x10000 ? 2 : 1;
    if (used + w > units) break;
    used += w;
    pos += len;
  }
  return std::string(s.substr(0, pos));
}

std::size_t lengthOf(std::string_view s, const MediumProfile& m) {
  return m.limitInUtf16 ? Utf16Units(s) : s.size();
}

std::string cutTo(std::string_view s, std::size_t limit, const MediumProfile& m) {
  return m.limitInUtf16 ? cutToUnits(s, limit) : std::string(Utf8CutToBytes(s, limit));
}

}  // namespace

bool IsReservedDeviceName(std::string_view component) {
  if (component.size() < 3 || !std::strchr("CcPpAaNnLl", component[0])) return false;
  const std::size_t dot = component.find('.');
  std::string stem(component.substr(0, dot));
  // "CON .mp3" is CON to Windows as well.
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = upperAscii(c);
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

std::size_t Utf16Units(std::string_view utf8) {
  std::size_t units = 0;
  for (std::size_t pos = 0; pos < utf8.size();) {
    std::size_t len = 0;
    units += decodeAt(utf8, pos, len) >= 0x10000 ? 2 : 1;
    pos += len;
  }
  return units;
}

char MediumReplacement(const OperationParameters& params) {
  if (params.renameEnabled) {
    switch (params.invalidCharRule) {
      case invalidRemove:
        return '\0';
      case invalidSpace:
        return ' ';
      default:
        break;
    }
  }
  return '_';
}

std::string MediumComponent(std::string_view component, const MediumProfile& medium,
                            char replacement, bool isFile) {
  if (!medium.windowsNames || component.empty()) return std::string(component);
  std::string converted;
  if (!IsValidUtf8(component)) converted = BytesToUtf8(component);
  const std::string_view text = converted.empty() ? component : std::string_view(converted);
  std::string name;
  name.reserve(text.size());
  for (char c : text) {
    if (isControl(static_cast<unsigned char>(c))) continue;
    if (IsInvalidNameChar(c)) {
      if (replacement) name += replacement;
      continue;
    }
    name += c;
  }
  trimTrailingDotsSpaces(name);
  if (IsReservedDeviceName(name)) {
    const std::size_t dot = name.find('.');
    name.insert(dot == std::string::npos ? name.size() : dot, "_");
  }
  const std::size_t limit = static_cast<std::size_t>(medium.maxNameLength);
  // A name takes no more UTF-16 units than bytes, so a short one needs no count.
  if (name.size() > limit && lengthOf(name, medium) > limit) {
    const std::string ext = isFile ? PathExtension(name) : std::string();
    const std::size_t extLength = lengthOf(ext, medium);
    if (!ext.empty() && extLength < limit && ext.size() < name.size()) {
      std::string base = cutTo(std::string_view(name).substr(0, name.size() - ext.size()),
                               limit - extLength, medium);
      trimTrailingDotsSpaces(base);
      name = (base.empty() ? std::string("_") : base) + ext;
    } else {
      name = cutTo(name, limit, medium);
    }
    trimTrailingDotsSpaces(name);
  }
  if (name.empty()) name = "_";
  return name;
}

std::string MediumRelativePath(std::string_view relative, const MediumProfile& medium,
                               char replacement) {
  if (!medium.windowsNames) return std::string(relative);
  std::string out;
  out.reserve(relative.size());
  std::size_t begin = 0;
  for (;;) {
    const std::size_t slash = relative.find('/', begin);
    const bool last = slash == std::string_view::npos;
    const std::string_view part =
        relative.substr(begin, last ? std::string_view::npos : slash - begin);
    out += MediumComponent(part, medium, replacement, last);
    if (last) break;
    out += '/';
    begin = slash + 1;
  }
  return out;
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) {
    const unsigned char b = static_cast<unsigned char>(utf8[pos]);
    if (b < 0x80) {
      out += b >= 'A' && b <= 'Z' ? static_cast<char>(b + 32) : static_cast<char>(b);
      ++pos;
      continue;
    }
    std::size_t len = 0;
    const char32_t c = decodeAt(utf8, pos, len);
    if (len == 1)
      out += utf8[pos];  // not a character: kept as the byte it is
    else
      AppendUtf8(out, foldChar(c));
    pos += len;
  }
  return out;
}

void WrittenFiles::reset(bool ignoresCase) {
  ignoresCase_ = ignoresCase;
  ids_.clear();
  paths_.clear();
}

std::string WrittenFiles::key(const std::string& path) const {
  return ignoresCase_ ? FoldCase(path) : path;
}

void WrittenFiles::add(const std::string& path) {
  paths_.insert(key(path));
  struct stat st;
  if (AnythingAt(path, &st)) ids_.emplace(st.st_dev, st.st_ino);
}

bool WrittenFiles::contains(const std::string& path) const {
  if (paths_.count(key(path))) return true;
  struct stat st;
  return AnythingAt(path, &st) && ids_.count({st.st_dev, st.st_ino}) > 0;
}
