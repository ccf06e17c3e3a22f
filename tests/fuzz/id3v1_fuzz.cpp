// The 128-byte trailer of any file is read as a tag during folder scans: any bytes must
// give valid UTF-8 fields of bounded size. The text conversions the tag reader relies on
// are checked on the same bytes.
// TAVEL_FUZZ_DEPS: tavel_worklist
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "worklist/id3v1.h"
#include "worklist/text_encoding.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void checkTag(std::string_view block) {
  const auto tag = ParseId3v1(block);
  if (!tag) return;
  for (const std::string* f : {&tag->title, &tag->artist, &tag->album, &tag->comment}) {
    check(IsValidUtf8(*f));
    check(f->size() <= 30 * 3);  // a Windows-1251 byte becomes at most three UTF-8 bytes
  }
  check(IsValidUtf8(tag->year) && tag->year.size() <= 4 * 3);
  check(tag->track >= 0 && tag->track <= 255 && tag->genre >= 0 && tag->genre <= 255);
  const std::string d = Id3v1Description(*tag);
  check(IsValidUtf8(d));
  check(d.empty() || d.find(" - ") != std::string::npos);
}

void checkText(std::string_view s) {
  const std::string utf8 = Cp1251ToUtf8(s);
  check(IsValidUtf8(utf8));
  check(Utf8ToCp1251(utf8) == s);
  check(IsValidUtf8(BytesToUtf8(s)));
  const bool valid = IsValidUtf8(s);
  size_t chars = 0;
  for (size_t pos = 0; pos < s.size(); ++chars) {
    const size_t len = Utf8CharLength(s, pos);
    check(len >= 1 && len <= 4 && pos + len <= s.size());
    pos += len;
  }
  check(chars == Utf8CharCount(s));
  for (size_t max = 0; max <= s.size() + 1; ++max) {
    const std::string_view cut = Utf8CutToBytes(s, max);
    check(cut.size() <= max && std::min(max, s.size()) - cut.size() < 4);
    check(cut == s.substr(0, cut.size()));
    if (valid) check(IsValidUtf8(cut) && IsValidUtf8(s.substr(cut.size())));
  }
  const std::string_view trimmed = TrimBlanks(s);
  check(trimmed.empty() || (static_cast<unsigned char>(trimmed.front()) > 32 &&
                            static_cast<unsigned char>(trimmed.back()) > 32));
  const std::string_view name = FileNamePart(s);
  check(name.find('/') == std::string_view::npos && name.find('\\') == std::string_view::npos);
  const std::string_view stem = NameWithoutExtension(name);
  check(stem.size() <= name.size() && (stem.empty() == name.empty()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (size >= kId3v1Size) checkTag(bytes.substr(size - kId3v1Size));
  // Most inputs lack the marker; give every input a run through the field reader too.
  std::string block = "TAG" + std::string(bytes.substr(0, kId3v1Size - 3));
  block.resize(kId3v1Size, '\0');
  checkTag(block);
  if (size <= 4096) checkText(bytes);
  return 0;
}
