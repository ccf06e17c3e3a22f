// Playlists come from anywhere: any bytes must parse without a fault, give valid UTF-8
// records, and a parsed playlist written out must read back as the same records.
// TAVEL_FUZZ_DEPS: tavel_worklist tavel_fs
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "worklist/m3u.h"
#include "worklist/text_encoding.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const M3uParseResult r = ParseM3U(bytes, "/music/lists");
  check(r.status == M3uStatus::Ok || r.records.empty());

  std::vector<M3uExportEntry> out;
  for (const M3uRecord& rec : r.records) {
    check(!rec.path.empty());
    check(IsValidUtf8(rec.path) && IsValidUtf8(rec.title));
    check(rec.hasExtinf || (rec.title.empty() && rec.length == -1));
    out.push_back({rec.path, rec.title, rec.length});
  }
  for (const M3uDiagnostic& d : r.diagnostics) check(d.lineNumber >= 2 && !d.message.empty());
  if (r.status != M3uStatus::Ok) return 0;

  // Written and read again (from another folder: every path is absolute by now).
  const M3uParseResult again = ParseM3U(FormatM3U(out), "/elsewhere");
  check(again.status == M3uStatus::Ok);
  check(again.diagnostics.empty());
  check(again.records.size() == r.records.size());
  for (size_t i = 0; i < r.records.size(); ++i) {
    const M3uRecord& a = r.records[i];
    const M3uRecord& b = again.records[i];
    check(a.path == b.path);
    check(a.title == b.title);
    if (!a.title.empty()) check(a.length == b.length);
  }
  return 0;
}
