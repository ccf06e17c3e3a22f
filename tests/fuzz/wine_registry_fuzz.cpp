// user.reg is a file other programs write: any bytes must be read without a fault, and
// what comes out of valid UTF-8 must be valid UTF-8 (characters beyond the first 65536
// arrive as escaped surrogate halves).
// TAVEL_FUZZ_DEPS: tavel_winamp tavel_worklist tavel_fs
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "winamp/wine_registry.h"
#include "worklist/text_encoding.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const bool validInput = IsValidUtf8(bytes);

  // As one quoted string: shorter than the input, which holds the closing quote (no escape
  // gives more bytes than it takes).
  const std::string quoted = "\"" + std::string(bytes);
  if (const auto s = UnquoteRegistryString(quoted)) {
    check(s->size() < bytes.size());
    if (validInput) check(IsValidUtf8(*s));
  }

  // As a whole file, looked up under a fixed key and under its own first line.
  const std::string value = RegistryDefaultValueIn(bytes, "Software\\Winamp");
  if (validInput) check(IsValidUtf8(value));
  const std::string_view firstLine = bytes.substr(0, bytes.find('\n'));
  const std::string own = RegistryDefaultValueIn(bytes, firstLine);
  if (validInput) check(IsValidUtf8(own));
  return 0;
}
