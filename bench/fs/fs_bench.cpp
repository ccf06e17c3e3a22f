// Measures tree enumeration against `find DIR -type f` and a large file copy against `cp`
// on the same data, side by side in the same run, and prints the figures and ratios; and
// how long many files of one name take to go to the trash.
//
//   fs_bench [--dir PATH] [--folders N] [--files-per-folder N] [--copy-mib N]
//            [--rounds N] [--no-tree] [--no-copy] [--trash N[,N...]]
//
// The data is made in a fresh folder below PATH (default: the temp folder) and removed at
// the end. Every timed run is preceded by an untimed warm-up so the cache is warm.
//
// The copy is timed until the copy is on the disk on both sides: `cp` is followed by
// `sync COPY FOLDER` (fsync of the copy and of its folder) inside the timed span, and our
// copy runs with its own flush (fsync of the copy and its folder before it answers). The
// source is in the page cache for both; before each timed copy the old copies are removed
// and everything is written back (`sync`), so neither side pays for the other's writes.
//
// The trash case deletes N files that all have one name, each from a folder of its own,
// into a trash under the bench folder (XDG_DATA_HOME points there; the user's own trash is
// never touched), and reports the time and the failures. Only the deletions are timed.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/file_ops.h"
#include "fs/file_tree.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool run(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

void makeTree(const std::string& root, int folders, int filesPerFolder) {
  // Ten artist folders of album folders, each album holding its tracks.
  const int artists = std::max(1, folders / 100);
  const int albumsPerArtist = (folders + artists - 1) / artists;
  int made = 0;
  for (int a = 0; a < artists && made < folders; ++a) {
    const std::string artist = root + "/Artist " + std::to_string(a);
    std::filesystem::create_directories(artist);
    for (int b = 0; b < albumsPerArtist && made < folders; ++b, ++made) {
      const std::string album = artist + "/Album " + std::to_string(b);
      std::filesystem::create_directories(album);
      for (int t = 0; t < filesPerFolder; ++t) {
        const std::string file = album + "/" + std::to_string(t) + " - Track title.mp3";
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
          if (::write(fd, "ID3", 3) != 3) std::perror("write");
          ::close(fd);
        }
      }
    }
  }
}

void benchTree(const std::string& base, int folders, int filesPerFolder, int rounds) {
  const std::string root = base + "/tree";
  auto t0 = Clock::now();
  makeTree(root, folders, filesPerFolder);
  std::printf("tree: %d folders x %d files made in %.1f s under %s\n", folders, filesPerFolder,
              secondsSince(t0), root.c_str());

  std::int64_t count = 0, bytes = 0;
  auto enumerate = [&](TreeDetail detail) {
    count = 0;
    bytes = 0;
    EnumerateTree(
        root, "*.*",
        [&](const std::string&, const FindRecord& r) {
          ++count;
          bytes += r.size;
        },
        true, true, nullptr, detail);
  };
  // Names alone is what find -type f does (the listing's entry types, no stat); with full
  // records every file is asked for its size and time, as find -printf '%s' does.
  const std::string findNames = "find " + quoted(root) + " -type f > /dev/null";
  const std::string findSizes = "find " + quoted(root) + " -type f -printf '%s\\n' > /dev/null";
  struct Pair {
    const char* label;
    const std::string& find;
    TreeDetail detail;
  };
  const Pair pairs[] = {{"names", findNames, TreeDetail::Names},
                        {"full records", findSizes, TreeDetail::Full}};
  for (const Pair& p : pairs) {
    enumerate(p.detail);  // warm-up of both, untimed
    run(p.find);
    std::vector<double> ours, theirs;
    for (int i = 0; i < rounds; ++i) {
      t0 = Clock::now();
      run(p.find);
      theirs.push_back(secondsSince(t0));
      t0 = Clock::now();
      enumerate(p.detail);
      ours.push_back(secondsSince(t0));
    }
    const double f = median(theirs), e = median(ours);
    std::printf("[%s] %s\n", p.label, p.find.c_str());
    std::printf("  find          : median %.3f s  (min %.3f) over %d rounds\n", f,
                *std::min_element(theirs.begin(), theirs.end()), rounds);
    std::printf("  EnumerateTree : median %.3f s  (min %.3f), %lld files, %lld bytes\n", e,
                *std::min_element(ours.begin(), ours.end()), static_cast<long long>(count),
                static_cast<long long>(bytes));
    std::printf("  ratio EnumerateTree/find: %.2f\n", e / f);
  }
  std::printf("\n");
}

void benchCopy(const std::string& base, int mib, int rounds) {
  const std::string source = base + "/big.bin";
  const std::string byCp = base + "/copy-cp.bin";
  const std::string byUs = base + "/copy-tavel.bin";
  {
    std::vector<unsigned char> block(1 << 20);
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    for (int m = 0; m < mib; ++m) {
      for (auto& b : block) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        b = static_cast<unsigned char>(x);
      }
      if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) {
        std::perror("write");
        break;
      }
    }
    ::close(fd);
  }
  std::printf("copy: %d MiB file %s, both sides timed until the copy is flushed to disk\n", mib,
              source.c_str());
  const std::string cp =
      "cp " + quoted(source) + " " + quoted(byCp) + " && sync " + quoted(byCp) + " " + quoted(base);
  std::printf("  cp side   : %s\n", cp.c_str());
  std::printf(
      "  our side  : CopyFileWithProgress with flush on (fsync of the copy and its folder)\n");
  std::int64_t callbacks = 0;
  CopyOptions options;
  options.flush = true;
  options.progress = [&](std::int64_t, std::int64_t) {
    ++callbacks;
    return CopyAnswer::Continue;
  };
  auto settle = [&] {
    std::filesystem::remove(byCp);
    std::filesystem::remove(byUs);
    run("sync");
  };
  settle();
  run(cp);  // warm-up: the source is read once into the cache
  std::vector<double> ours, theirs;
  for (int i = 0; i < rounds; ++i) {
    settle();
    auto t0 = Clock::now();
    run(cp);
    theirs.push_back(secondsSince(t0));
    settle();
    callbacks = 0;
    t0 = Clock::now();
    const FileOpResult r = CopyFileWithProgress(source, byUs, options);
    ours.push_back(secondsSince(t0));
    if (!r.ok()) std::printf("copy failed: %s\n", r.message.c_str());
  }
  const double c = median(theirs), u = median(ours);
  std::printf("cp + sync         : median %.3f s  (min %.3f) over %d rounds\n", c,
              *std::min_element(theirs.begin(), theirs.end()), rounds);
  std::printf("CopyFileWithProgress, flushed: median %.3f s  (min %.3f), %lld progress calls\n", u,
              *std::min_element(ours.begin(), ours.end()), static_cast<long long>(callbacks));
  std::printf("ratio copy/cp: %.2f (goal <= 1.1), %.0f MB/s against %.0f MB/s\n", u / c,
              mib * 1.048576 / u, mib * 1.048576 / c);
  settle();
}

// Deletes `count` files named alike (one per folder) to a trash of the bench's own, in
// `rounds` rounds with fresh files and a fresh trash each.
void benchTrash(const std::string& base, int count, int rounds) {
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old ? old : "";
  std::vector<double> times;
  int failed = 0;
  for (int round = 0; round < rounds; ++round) {
    const std::string root = base + "/trash-" + std::to_string(count) + "-" + std::to_string(round);
    std::vector<std::string> songs;
    songs.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
      const std::string folder = root + "/" + std::to_string(i);
      std::filesystem::create_directories(folder);
      songs.push_back(folder + "/01 - Track 01.mp3");
      const int fd = ::open(songs.back().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd >= 0) ::close(fd);
    }
    // A trash of its own each round (the numbers a run remembers belong to one trash), so
    // every round starts from an empty one.
    const std::string dataHome = root + "/data";
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    const auto t0 = Clock::now();
    for (const std::string& song : songs)
      if (!DeleteToRecycleBin(song).ok()) ++failed;
    times.push_back(secondsSince(t0));
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
  if (old)
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_DATA_HOME");
  std::printf(
      "trash: %6d files of one name: median %.3f s (%.0f us a file), min %.3f, max %.3f "
      "over %d rounds, %d failed\n",
      count, median(times), median(times) * 1e6 / count,
      *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()),
      rounds, failed);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir = std::filesystem::temp_directory_path().string();
  int folders = 1000, filesPerFolder = 100, mib = 1024, rounds = 5;
  bool tree = true, copy = true;
  std::vector<int> trash;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (a == "--dir")
      dir = next();
    else if (a == "--folders")
      folders = std::atoi(next().c_str());
    else if (a == "--files-per-folder")
      filesPerFolder = std::atoi(next().c_str());
    else if (a == "--copy-mib")
      mib = std::atoi(next().c_str());
    else if (a == "--rounds")
      rounds = std::max(1, std::atoi(next().c_str()));
    else if (a == "--no-tree")
      tree = false;
    else if (a == "--no-copy")
      copy = false;
    else if (a == "--trash") {
      const std::string list = next();
      for (std::size_t at = 0; at < list.size();) {
        const std::size_t comma = std::min(list.find(',', at), list.size());
        trash.push_back(std::atoi(list.substr(at, comma - at).c_str()));
        at = comma + 1;
      }
    } else {
      std::fprintf(stderr, "unknown option %s\n", a.c_str());
      return 2;
    }
  }
  std::string base = dir + "/tavel-fs-bench-XXXXXX";
  if (!::mkdtemp(base.data())) {
    std::perror("mkdtemp");
    return 1;
  }
  if (tree) benchTree(base, folders, filesPerFolder, rounds);
  if (copy) benchCopy(base, mib, rounds);
  for (int n : trash)
    if (n > 0) benchTrash(base, n, rounds);
  std::error_code ec;
  std::filesystem::remove_all(base, ec);
  return 0;
}
