// Files met in a folder scan are handed to TagLib by their extension, whatever they hold:
// any bytes under any audio name must give a valid UTF-8 description of the joined form
// and a length that is not negative, without crashing or hanging. The first byte picks the
// extension, the rest is the file.
// TAVEL_FUZZ_DEPS: tavel_worklist
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "worklist/tags.h"
#include "worklist/text_encoding.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

constexpr const char* kNames[] = {"a.mp3", "a.flac", "a.ogg", "a.oga", "a.opus", "a.spx", "a.m4a",
                                  "a.aac", "a.wma",  "a.ape", "a.wv",  "a.mpc",  "a.wav", "a.aiff",
                                  "a.tta", "a.mp2",  "a.mp4", "a.m4b", "a.asf",  "a.aif"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::string_view name = kNames[data[0] % (sizeof kNames / sizeof kNames[0])];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const AudioTags t = ReadAudioTagsFromBytes(bytes, name);
  check(IsValidUtf8(t.description));
  check(t.description.empty() || t.description.find(" - ") != std::string::npos);
  check(t.length >= 0);
  if (!t.recognised) check(t.description.empty() && t.length == 0);
  return 0;
}
