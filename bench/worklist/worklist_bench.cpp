// Measures what the work list itself costs for lists of the sizes users build (a few
// thousand entries) and far beyond: adding entries, saving and loading .worklist.kro,
// walking every entry through the cursor, saving the marks of as many rows, and the run
// resets the engine does at the start of each run.
//
//   worklist_bench [--entries N] [--dir PATH]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "worklist/playlist.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class AllRows : public IListRows {
 public:
  explicit AllRows(TkroPlayList& list) {
    for (int p = 0; p < list.EntryCount(); ++p) ids_.push_back(list.EntryAt(p));
  }
  int RowCount() const override { return static_cast<int>(ids_.size()); }
  int RowEntryId(int row) const override { return ids_[static_cast<std::size_t>(row)]; }
  bool RowChecked(int row) const override { return row % 2 == 0; }
  bool RowSelected(int row) const override { return row % 7 == 0; }

 private:
  std::vector<int> ids_;
};

}  // namespace

int main(int argc, char** argv) {
  int entries = 100000;
  std::filesystem::path dir = std::filesystem::temp_directory_path();
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--entries")) entries = std::atoi(argv[i + 1]);
    if (!std::strcmp(argv[i], "--dir")) dir = argv[i + 1];
  }
  const std::string file = (dir / ("worklist-bench-" + std::to_string(entries) + ".kro")).string();

  TkroPlayList list;
  auto t = Clock::now();
  for (int i = 0; i < entries; ++i)
    list.Add("/home/user/Музыка/Artist " + std::to_string(i % 500) + "/Album/" + std::to_string(i) +
                 " - Title of the song.mp3",
             "", "Artist " + std::to_string(i % 500) + " - Title of the song " + std::to_string(i),
             4'000'000 + i, 180 + i % 200, FLAG_MARKED);
  const double add = msSince(t);

  t = Clock::now();
  const int saved = list.SaveToFile(file, kWorkListSaveMode);
  const double save = msSince(t);
  const auto bytes = std::filesystem::file_size(file);

  TkroPlayList loaded;
  t = Clock::now();
  const int load = loaded.LoadFromFile(file, kWorkListLoadMode);
  loaded.UpdateCachedLinks();
  const double loadMs = msSince(t);

  t = Clock::now();
  std::size_t chars = 0;
  std::int64_t total = 0;
  for (int p = 0; p < loaded.EntryCount(); ++p) {
    loaded.SelectIndex(p);
    chars += loaded.Cursor->GetOrigin().size() + loaded.Cursor->GetDescr().size();
    total += loaded.Cursor->GetSize();
  }
  const double walk = msSince(t);

  AllRows rows(loaded);
  t = Clock::now();
  loaded.ListSaveMarks(rows);
  const double marks = msSince(t);

  t = Clock::now();
  loaded.ClearDestinations();
  loaded.ResetRunFlags(0);
  const double resets = msSince(t);

  std::printf("entries %d, file %llu bytes (save %d, load %d)\n", entries,
              static_cast<unsigned long long>(bytes), saved, load);
  std::printf("  add            %9.1f ms\n", add);
  std::printf("  save (durable) %9.1f ms\n", save);
  std::printf("  load + links   %9.1f ms\n", loadMs);
  std::printf("  walk fields    %9.1f ms  (%zu chars, %lld bytes)\n", walk, chars,
              static_cast<long long>(total));
  std::printf("  ListSaveMarks  %9.1f ms\n", marks);
  std::printf("  run resets     %9.1f ms\n", resets);
  std::filesystem::remove(file);
  return 0;
}
