// Figures of the object store for a work list of 100,000 entries (700,000 objects: one
// masked entry with six field values each), side by side with the same rows in an SQLite
// table written and read in one transaction.
//
//   store_bench [entries] [runs] [folder]
//
// Each figure is the median of the runs. The pair compared for writing is the durable one
// on both sides: SQLite's insert committed with synchronous=FULL (the commit waits for the
// disk) against our build plus the flushed save (mode 2). Memory per entry is everything the
// loaded store holds, path texts included: a fresh child process (this program started
// again) reads its resident set before and after the load, so blocks the allocator maps on
// its own and pages it keeps count as well.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "store/kro_object.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// CPU time of the process (user + system) in ms: on a busy machine the wall-clock figure
// also counts time the benchmark spent waiting for a core.
double cpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Times one step: wall-clock and CPU milliseconds.
struct Timer {
  Clock::time_point wall = Clock::now();
  double cpu = cpuMs();
  void stop(std::vector<double>& wallOut, std::vector<double>& cpuOut) const {
    wallOut.push_back(msSince(wall));
    cpuOut.push_back(cpuMs() - cpu);
  }
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Row {
  std::string origin, descr;
  long long size;
  int length, flags;
};

std::vector<Row> makeRows(int n) {
  std::vector<Row> rows;
  rows.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const std::string artist = "Artist " + std::to_string(i / 137);
    const std::string title = "Track title " + std::to_string(i);
    rows.push_back(Row{"/home/user/Music/" + artist + "/Album " + std::to_string(i / 11 % 50) +
                           "/" + std::to_string(i % 20 + 1) + " - " + title + ".mp3",
                       artist + " - " + title, 3000000LL + i * 17, 180 + i % 240,
                       (i % 3) ? 0x00010000 : 0});
  }
  return rows;
}

enum Field { fOrigin, fDest, fDescr, fSize, fLength, fFlags };

// The work list's structure: the entry mask in "Masks" and the "Items" directory.
std::int32_t prepare(TkroObject& s, std::int32_t& items) {
  s.System->ForceCreateDir("Masks");
  const std::int32_t masks = s.System->LastCreated;
  const std::int32_t mask = s.CreateObjectMask(
      "item", {"origin", "dest", "descr", "size", 8, "length", 7, "flags", 7}, 1);
  s.Objects(mask)->LinkInto(masks);
  s.System->ForceCreateDir("Items");
  items = s.System->LastCreated;
  return mask;
}

void build(TkroObject& s, const std::vector<Row>& rows) {
  std::int32_t itemsDir = -1;
  const std::int32_t mask = prepare(s, itemsDir);
  auto items = s.NewItem(itemsDir);
  for (const Row& r : rows) {
    std::int32_t n = -1;
    if (s.CreateObject(mask, n, 2) > 0) std::abort();
    items->AsTLinks.Add(n);
    TkroItem* e = s.Objects(n);
    e->AsObject.Field(fOrigin)->SetValue(KroValue(r.origin));
    e->AsObject.Field(fDest)->SetValue(KroValue(""));
    e->AsObject.Field(fDescr)->SetValue(KroValue(r.descr));
    e->AsObject.Field(fSize)->SetValue(KroValue(r.size));
    e->AsObject.Field(fLength)->SetValue(KroValue(r.length));
    e->AsObject.Field(fFlags)->SetValue(KroValue(r.flags));
  }
}

// Reads every entry back through the object model; a checksum of what it read.
long long readBack(TkroObject& s) {
  auto items = s.System->NewItemAt("Items");
  long long sum = 0;
  KroValue v;
  std::string t;
  for (std::int32_t p = 0; p <= items->AsTLinks.High(); ++p) {
    TkroItem* e = s.Objects(items->AsTLinks.Get(p));
    e->AsObject.Field(fOrigin)->AsString.Get(t);
    sum += static_cast<long long>(t.size());
    e->AsObject.Field(fDescr)->AsString.Get(t);
    sum += static_cast<long long>(t.size());
    e->AsObject.Field(fSize)->GetValue(v);
    sum += v.asInt64();
    e->AsObject.Field(fLength)->GetValue(v);
    sum += v.asInt();
    e->AsObject.Field(fFlags)->GetValue(v);
    sum += v.asInt();
  }
  return sum;
}

long long expectedSum(const std::vector<Row>& rows) {
  long long sum = 0;
  for (const Row& r : rows)
    sum += static_cast<long long>(r.origin.size() + r.descr.size()) + r.size + r.length + r.flags;
  return sum;
}

void sqliteCheck(int rc, sqlite3* db, const char* what) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
    std::fprintf(stderr, "sqlite %s: %s\n", what, sqlite3_errmsg(db));
    std::exit(1);
  }
}

struct SqliteFigures {
  double insert = 0, read = 0;
  long long fileBytes = 0;
};

SqliteFigures sqliteRun(const std::vector<Row>& rows, const std::string& path) {
  std::filesystem::remove(path);
  SqliteFigures f;
  sqlite3* db = nullptr;
  sqliteCheck(sqlite3_open(path.c_str(), &db), db, "open");
  // The default, said out loud: the commit returns once the rows are on the disk.
  sqliteCheck(sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr), db, "pragma");
  sqliteCheck(sqlite3_exec(db,
                           "CREATE TABLE entries(id INTEGER PRIMARY KEY, origin TEXT, dest TEXT, "
                           "descr TEXT, size INTEGER, length INTEGER, flags INTEGER)",
                           nullptr, nullptr, nullptr),
              db, "create");
  auto t = Clock::now();
  sqliteCheck(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
  sqlite3_stmt* ins = nullptr;
  sqliteCheck(
      sqlite3_prepare_v2(db, "INSERT INTO entries VALUES(?,?,?,?,?,?,?)", -1, &ins, nullptr), db,
      "prepare");
  int id = 0;
  for (const Row& r : rows) {
    sqlite3_bind_int(ins, 1, ++id);
    sqlite3_bind_text(ins, 2, r.origin.data(), static_cast<int>(r.origin.size()), SQLITE_STATIC);
    sqlite3_bind_text(ins, 3, "", 0, SQLITE_STATIC);
    sqlite3_bind_text(ins, 4, r.descr.data(), static_cast<int>(r.descr.size()), SQLITE_STATIC);
    sqlite3_bind_int64(ins, 5, r.size);
    sqlite3_bind_int(ins, 6, r.length);
    sqlite3_bind_int(ins, 7, r.flags);
    sqliteCheck(sqlite3_step(ins), db, "insert");
    sqlite3_reset(ins);
  }
  sqlite3_finalize(ins);
  sqliteCheck(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  f.insert = msSince(t);
  sqlite3_close(db);

  db = nullptr;
  t = Clock::now();
  sqliteCheck(sqlite3_open(path.c_str(), &db), db, "open");
  sqliteCheck(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
  sqlite3_stmt* sel = nullptr;
  sqliteCheck(sqlite3_prepare_v2(db,
                                 "SELECT origin, dest, descr, size, length, flags FROM entries "
                                 "ORDER BY id",
                                 -1, &sel, nullptr),
              db, "prepare");
  std::vector<Row> back;
  back.reserve(rows.size());
  while (sqlite3_step(sel) == SQLITE_ROW) {
    Row r;
    r.origin.assign(reinterpret_cast<const char*>(sqlite3_column_text(sel, 0)),
                    static_cast<std::size_t>(sqlite3_column_bytes(sel, 0)));
    r.descr.assign(reinterpret_cast<const char*>(sqlite3_column_text(sel, 2)),
                   static_cast<std::size_t>(sqlite3_column_bytes(sel, 2)));
    r.size = sqlite3_column_int64(sel, 3);
    r.length = sqlite3_column_int(sel, 4);
    r.flags = sqlite3_column_int(sel, 5);
    back.push_back(std::move(r));
  }
  sqlite3_finalize(sel);
  sqliteCheck(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
  sqlite3_close(db);
  f.read = msSince(t);
  if (back.size() != rows.size() || expectedSum(back) != expectedSum(rows)) {
    std::fprintf(stderr, "sqlite read back wrong rows\n");
    std::exit(1);
  }
  f.fileBytes = static_cast<long long>(std::filesystem::file_size(path));
  return f;
}

long statusKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, n, key) == 0) return std::stol(line.substr(n));
  return -1;
}

// The child: loads the file into a fresh store and prints its resident set (kB) before and
// after, and the peak during the load, then the checksum of what it read back.
int loadChild(const std::string& file) {
  const long before = statusKb("VmRSS:");
  TkroObject s([](const std::string&) {});
  if (s.LoadFromFile(file, 3) > 0) return 1;
  const long after = statusKb("VmRSS:");
  const long peak = statusKb("VmHWM:");
  std::printf("%ld %ld %ld %lld\n", before, after, peak, readBack(s));
  return 0;
}

struct ChildMemory {
  long before = 0, after = 0, peak = 0;
};

ChildMemory measureLoad(const std::string& file, long long want) {
  const std::string command =
      "'/proc/" + std::to_string(::getpid()) + "/exe' --load-child '" + file + "'";
  ChildMemory m;
  FILE* p = ::popen(command.c_str(), "r");
  long long sum = -1;
  if (!p || std::fscanf(p, "%ld %ld %ld %lld", &m.before, &m.after, &m.peak, &sum) != 4 ||
      ::pclose(p) != 0 || sum != want) {
    std::fprintf(stderr, "the load in a child process failed\n");
    std::exit(1);
  }
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--load-child") return loadChild(argv[2]);
  const int entries = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::string folder = argc > 3 ? argv[3] : std::filesystem::temp_directory_path().string();
  const std::string file = folder + "/store_bench_" + std::to_string(::getpid()) + ".kro";
  const std::string dbFile = folder + "/store_bench_" + std::to_string(::getpid()) + ".sqlite";
  const auto quiet = [](const std::string&) {};

  const std::vector<Row> rows = makeRows(entries);
  const long long want = expectedSum(rows);
  std::size_t pathText = 0;
  for (const Row& r : rows) pathText += r.origin.size() + r.descr.size();

  std::vector<double> tBuild, tSave, tSaveNoSync, tLoad, tRead, perEntry, peakPerEntry, sqlIns,
      sqlRead;
  std::vector<double> cBuild, cSave, cSaveNoSync, cLoad, cRead;
  long long fileBytes = 0, sqlBytes = 0;
  for (int run = 0; run < runs; ++run) {
    {
      TkroObject s(quiet);
      Timer t;
      build(s, rows);
      t.stop(tBuild, cBuild);
      t = Timer();
      if (s.SaveToFile(file, kroSaveNoFlush) > 0) return 1;
      t.stop(tSaveNoSync, cSaveNoSync);
      t = Timer();
      if (s.SaveToFile(file, 2) > 0) return 1;
      t.stop(tSave, cSave);
      fileBytes = static_cast<long long>(std::filesystem::file_size(file));
    }
    {
      const ChildMemory m = measureLoad(file, want);
      perEntry.push_back(static_cast<double>(m.after - m.before) * 1024.0 / entries);
      peakPerEntry.push_back(static_cast<double>(m.peak - m.before) * 1024.0 / entries);
      TkroObject s(quiet);
      Timer t;
      if (s.LoadFromFile(file, 3) > 0) return 1;
      t.stop(tLoad, cLoad);
      t = Timer();
      if (readBack(s) != want) {
        std::fprintf(stderr, "store read back wrong values\n");
        return 1;
      }
      t.stop(tRead, cRead);
    }
    const SqliteFigures f = sqliteRun(rows, dbFile);
    sqlIns.push_back(f.insert);
    sqlRead.push_back(f.read);
    sqlBytes = f.fileBytes;
  }
  std::filesystem::remove(file);
  std::filesystem::remove(dbFile);

  const double build = median(tBuild), save = median(tSave), saveNoSync = median(tSaveNoSync),
               load = median(tLoad), read = median(tRead), mem = median(perEntry),
               ins = median(sqlIns), sel = median(sqlRead);
  std::printf("store: %d entries (%d objects), median of %d runs, files in %s\n", entries,
              entries * 7, runs, folder.c_str());
  std::printf(
      "  writing compared durable against durable: SQLite insert committed with\n"
      "  synchronous=FULL against our build + save flushed to disk (mode 2)\n");
  std::printf(
      "  memory: resident set of a fresh child process before and after the load,\n"
      "  path texts and the allocator's own mapped blocks included\n");
  std::printf("                                                 wall ms    cpu ms\n");
  std::printf("  build (CreateObject + 6 field writes + link)  %8.1f  %8.1f   (limit 300)\n", build,
              median(cBuild));
  std::printf("  save, flushed to disk (mode 2)                %8.1f  %8.1f   (limit 200)\n", save,
              median(cSave));
  std::printf("  save, not flushed (kroSaveNoFlush)            %8.1f  %8.1f\n", saveNoSync,
              median(cSaveNoSync));
  std::printf("  load                                          %8.1f  %8.1f   (limit 200)\n", load,
              median(cLoad));
  std::printf("  read every entry back through the object model %7.1f  %8.1f\n", read,
              median(cRead));
  std::printf("  memory of the loaded store, all included      %8.1f bytes/entry (limit 350)\n",
              mem);
  std::printf("    of which the path and description texts    %8.1f bytes/entry\n",
              static_cast<double>(pathText) / entries);
  std::printf("    peak during the load                       %8.1f bytes/entry\n",
              median(peakPerEntry));
  std::printf("  file size                                     %8.2f MB\n", fileBytes / 1e6);
  std::printf("sqlite3 %s, same rows, one transaction each:\n", sqlite3_libversion());
  std::printf("  insert, committed to disk (synchronous=FULL)  %8.1f ms\n", ins);
  std::printf("  read back                                     %8.1f ms\n", sel);
  std::printf("  file size                                     %8.2f MB\n", sqlBytes / 1e6);
  std::printf("ratios (sqlite / store):\n");
  std::printf("  durable insert vs build + flushed save (the fair pair) %5.2fx\n",
              ins / (build + save));
  std::printf("  read back vs load + read back (the fair pair)  %7.2fx\n", sel / (load + read));
  std::printf("  durable insert vs build alone (not like for like) %6.2fx\n", ins / build);
  std::printf("  read back vs load alone (not like for like)    %7.2fx\n", sel / load);
  const bool met = build < 300 && save < 200 && load < 200 && mem < 350;
  std::printf("%s\n", met ? "all limits met" : "LIMITS NOT MET");
  return met ? 0 : 2;
}
