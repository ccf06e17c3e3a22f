// Measures what a folder scan and a playlist import cost outside the work list itself:
// the description of every file (ID3v1 read for MP3s) against a bare stat(2) of the same
// files, and parsing and writing a large playlist.
//
//   worklist_io_bench [--dir PATH] [--files N] [--rounds N]
//
// The files are made in a fresh folder below PATH (default: the temp folder) and removed
// at the end. Every timed run follows an untimed warm-up, so the figures are warm-cache.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "worklist/id3v1.h"
#include "worklist/m3u.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

template <typename F>
double medianSeconds(int rounds, F&& run) {
  run();  // warm-up
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const auto start = Clock::now();
    run();
    times.push_back(secondsSince(start));
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::string padded(const std::string& s, std::size_t width) {
  std::string f = s.substr(0, width);
  f.resize(width, '\0');
  return f;
}

// A small MP3-like file: some body bytes and a tag; every fourth file has no tag and
// every tenth artist is Windows-1251 Cyrillic.
void makeFile(const std::filesystem::path& p, int i) {
  std::string bytes(2048, '\xFF');
  if (i % 4 != 0) {
    const std::string artist =
        i % 10 == 0 ? std::string("\xCA\xE8\xED\xEE") : "Artist " + std::to_string(i % 97);
    bytes += "TAG" + padded("Title " + std::to_string(i), 30) + padded(artist, 30) +
             padded("Album", 30) + "2001" + padded("", 30) + '\x11';
  }
  std::ofstream(p, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path base = std::filesystem::temp_directory_path();
  int files = 50000;
  int rounds = 5;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--dir"))
      base = argv[i + 1];
    else if (!std::strcmp(argv[i], "--files"))
      files = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--rounds"))
      rounds = std::atoi(argv[i + 1]);
  }
  const auto dir = base / ("tavel-worklist-io-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::vector<std::string> paths;
  paths.reserve(files);
  for (int i = 0; i < files; ++i) {
    // 100 subfolders, as a music collection has albums.
    const auto folder = dir / ("album" + std::to_string(i % 100));
    if (i < 100) std::filesystem::create_directories(folder);
    const auto p = folder / ("track " + std::to_string(i) + (i % 3 == 0 ? ".MP3" : ".mp3"));
    makeFile(p, i);
    paths.push_back(p.string());
  }

  std::size_t sink = 0;
  const double tStat = medianSeconds(rounds, [&] {
    struct stat st;
    for (const auto& p : paths) sink += ::stat(p.c_str(), &st) == 0 ? 1 : 0;
  });
  const double tDescr = medianSeconds(rounds, [&] {
    for (const auto& p : paths) sink += DescriptionForFile(p, "", true).size();
  });
  const double tName = medianSeconds(rounds, [&] {
    for (const auto& p : paths) sink += DescriptionForFile(p, "", false).size();
  });
  std::printf("files: %d (2 KiB each, 3 of 4 tagged), warm cache, median of %d rounds\n", files,
              rounds);
  std::printf("  stat() of every file        %8.1f ms  %6.2f us/file\n", tStat * 1e3,
              tStat * 1e6 / files);
  std::printf("  description with ID3v1 read %8.1f ms  %6.2f us/file  (%.2fx stat)\n", tDescr * 1e3,
              tDescr * 1e6 / files, tDescr / tStat);
  std::printf("  description from name only  %8.1f ms  %6.2f us/file\n", tName * 1e3,
              tName * 1e6 / files);

  // A playlist of the same files: half Windows-1251 lines with backslashes, half UTF-8.
  std::vector<M3uExportEntry> entries;
  for (int i = 0; i < files; ++i) {
    entries.push_back({paths[i],
                       "Artist " + std::to_string(i % 97) + " - Title " + std::to_string(i),
                       180 + i % 120});
  }
  const std::string utf8 = FormatM3U(entries);
  std::string mixed = "#EXTM3U\r\n";
  for (int i = 0; i < files; ++i) {
    if (i % 2) {
      mixed += "#EXTINF:" + std::to_string(i % 300) + ",\xCA\xE8\xED\xEE - Track " +
               std::to_string(i) + "\r\nalbum" + std::to_string(i % 100) + "\\track " +
               std::to_string(i) + ".mp3\r\n";
    } else {
      mixed += "#EXTINF:" + std::to_string(i % 300) + ",Кино - Трек " + std::to_string(i) +
               "\r\nalbum" + std::to_string(i % 100) + "/трек " + std::to_string(i) + ".mp3\r\n";
    }
  }
  const double tFormat = medianSeconds(rounds, [&] { sink += FormatM3U(entries).size(); });
  const double tParse =
      medianSeconds(rounds, [&] { sink += ParseM3U(utf8, dir.string()).records.size(); });
  const double tParseMixed =
      medianSeconds(rounds, [&] { sink += ParseM3U(mixed, dir.string()).records.size(); });
  const std::string file = (dir / "list.m3u").string();
  std::string error;
  const double tWrite = medianSeconds(rounds, [&] { sink += WriteM3UFile(file, entries, error); });
  const double tRead = medianSeconds(rounds, [&] { sink += ReadM3UFile(file).records.size(); });
  std::printf("playlist: %d entries, %.1f MB as UTF-8\n", files, utf8.size() / 1e6);
  std::printf("  format                      %8.1f ms\n", tFormat * 1e3);
  std::printf("  parse UTF-8                 %8.1f ms\n", tParse * 1e3);
  std::printf("  parse Windows-1251 + UTF-8  %8.1f ms  (relative paths, backslashes)\n",
              tParseMixed * 1e3);
  std::printf("  write file (fsync, rename)  %8.1f ms\n", tWrite * 1e3);
  std::printf("  read file + parse           %8.1f ms\n", tRead * 1e3);

  std::error_code ec;
  std::filesystem::remove_all(dir, ec);
  return sink == 0 ? 1 : 0;
}
