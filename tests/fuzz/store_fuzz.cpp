// Feeds arbitrary bytes to the store loader (see store_fuzz_input.h for how input becomes
// a file), checks that a refused file changes nothing and an accepted one saves back to
// the same bytes, then uses the loaded store.
// TAVEL_FUZZ_DEPS: tavel_store
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/store_fuzz_input.h"
#include "store/kro.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

std::string bytesOf(KroHandle& h) {
  std::string b;
  check(kro_dbSaveBuffer(&h, b) == 0);
  return b;
}

// Uses a loaded store the way the program does; nothing here may crash.
void exercise(KroHandle& h) {
  const std::int32_t count = h.count;
  for (std::int32_t n = 0; n < count && n < 4096; ++n) {
    KroValue v;
    std::string t;
    kro_vGet(&h, n, v, 0);
    kro_sGet(&h, n, t);
    v.asInt();
    v.asBool();
    kro_i32Get(&h, n);
    for (std::int32_t p = 0; p < kro_tlCount(&h, n) && p < 64; ++p) kro_tlGet(&h, n, p);
    std::int32_t f = -1;
    kro_oGetLinkJ(&h, n, 0, f);
    kro_oGetLinkN(&h, n, "origin", f);
    kro_GetName(&h, n);
  }
  std::int32_t n = -1;
  kro_d2GetR(&h, "Masks/item", n, 1, 4);
  if (n >= 0) {
    const std::int32_t rec = kro_GetFirstFree(&h);
    if (kro_oCreate(&h, rec, n, 2) <= 0) kro_DeleteEx(&h, rec, 19);
  }
  KroValue out;
  kroq_dsReadV(&h, "Settings/Exit confirm", KroValue(true), 1, 4, out);
  kro_dsWriteV(&h, "Settings/Exit confirm", KroValue(false), 1, 4);
  std::int32_t items = -1;
  if (kro_d2GetR(&h, "Items", items, 1, 4) <= 0) {
    for (std::int32_t p = kro_tlCount(&h, items) - 1; p >= 0 && p >= kro_tlCount(&h, items) - 8;
         --p)
      kro_DeleteEx(&h, kro_tlGet(&h, items, p), 19 | kroDelLinked);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input = StoreFuzzInput(data, size);

  KroHandle h;
  kro_dbStart(&h);
  kro_dbCreateDefault(&h, 0);
  kro_dsWriteV(&h, "Settings/Exit confirm", KroValue(true), 1, 4);
  const std::string before = bytesOf(h);
  const std::int32_t r = kro_dbLoadBuffer(&h, input.data(), input.size());
  if (r > 0) {
    check(bytesOf(h) == before);  // a refused file changes nothing
  } else {
    check(bytesOf(h) == input);  // a store that loads saves back to the same bytes
    exercise(h);
    const std::string again = bytesOf(h);
    KroHandle h2;
    kro_dbStart(&h2);
    check(kro_dbLoadBuffer(&h2, again.data(), again.size()) <= 0);
    check(bytesOf(h2) == again);
    kro_dbDestroy(&h2);
  }
  kro_dbDestroy(&h);
  return 0;
}
