// What reading tags and lengths adds to a folder scan. Writes a collection of tagged files
// (MP3s with an ID3v2.3 and an ID3v1 tag, FLAC files with a Vorbis comment; audio frames
// of silence, so the files stay small) and times AddFolder on it with a warm cache:
//   id3v1     the ID3v1-only reader (extended tags off)
//   extended  TagLib, reading only what the description and length need (Fast)
//   full      the same files through TagLib's FileRef with a full parse (Average), as the
//             cost the Fast reading avoids
// Each figure is the median of --runs runs after one run that warms the cache.
//
//   tags_bench [--mp3 N] [--flac N] [--runs N] [--dir PATH]
#include <taglib/fileref.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "fs/file_tree.h"
#include "worklist/add_files.h"
#include "worklist/playlist.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::string be32(std::uint32_t n) {
  return {char(n >> 24), char((n >> 16) & 0xFF), char((n >> 8) & 0xFF), char(n & 0xFF)};
}
std::string le32(std::uint32_t n) {
  return {char(n & 0xFF), char((n >> 8) & 0xFF), char((n >> 16) & 0xFF), char(n >> 24)};
}

std::string id3v2(const std::string& artist, const std::string& title) {
  std::string body;
  for (const auto& [id, text] : {std::pair{"TPE1", artist}, {"TIT2", title}, {"TALB", "Album"}}) {
    body +=
        id + be32(static_cast<std::uint32_t>(text.size() + 1)) + std::string(2, '\0') + '\0' + text;
  }
  body += std::string(512, '\0');  // the padding taggers leave
  const std::size_t n = body.size();
  return std::string("ID3\3\0\0", 6) + char((n >> 21) & 0x7F) + char((n >> 14) & 0x7F) +
         char((n >> 7) & 0x7F) + char(n & 0x7F) + body;
}

std::string id3v1(const std::string& artist, const std::string& title) {
  auto field = [](std::string t, std::size_t w) {
    t.resize(w, '\0');
    return t;
  };
  return "TAG" + field(title, 30) + field(artist, 30) + field("Album", 30) + "2001" +
         field("", 30) + '\x0C';
}

// MPEG-1 layer III, 128 kbit/s, 44.1 kHz: 417-byte frames of silence.
std::string mp3Frames(int count) {
  std::string frame = std::string("\xFF\xFB\x90\x00", 4) + std::string(413, '\0');
  std::string out;
  for (int i = 0; i < count; ++i) out += frame;
  return out;
}

std::string flacFile(const std::string& artist, const std::string& title) {
  std::string info;  // STREAMINFO: 4096-sample blocks, 44.1 kHz, 2 channels, 16 bits, 3 minutes
  info += std::string("\x10\x00\x10\x00", 4) + std::string(6, '\0');
  const std::uint64_t samples = 44100ull * 180;
  const std::uint64_t packed = (44100ull << 44) | (1ull << 41) | (15ull << 36) | samples;
  for (int i = 7; i >= 0; --i) info += char((packed >> (8 * i)) & 0xFF);
  info += std::string(16, '\0');  // MD5
  std::string vc = le32(6) + "tavel!" + le32(2);
  for (const std::string& c : {"ARTIST=" + artist, "TITLE=" + title})
    vc += le32(static_cast<std::uint32_t>(c.size())) + c;
  auto block = [](int type, bool last, const std::string& data) {
    const std::size_t n = data.size();
    return std::string(1, char((last ? 0x80 : 0) | type)) + char((n >> 16) & 0xFF) +
           char((n >> 8) & 0xFF) + char(n & 0xFF) + data;
  };
  return "fLaC" + block(0, false, info) + block(4, true, vc) + std::string("\xFF\xF8", 2) +
         std::string(2000, '\0');
}

void write(const fs::path& p, const std::string& bytes) {
  std::ofstream(p, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The audio of the MP3s: 2 seconds encoded by LAME through ffmpeg (with the Info frame
// LAME writes, as in most real files), its own ID3v2 tag removed; without ffmpeg, 2
// seconds of silent frames without one, which TagLib measures by walking to the last frame.
std::string mp3Audio(const fs::path& root) {
  const fs::path seed = root / "seed.mp3";
  const std::string cmd =
      "ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=2 -ac 1 "
      "-c:a libmp3lame -b:a 64k -write_id3v1 0 -map_metadata -1 '" +
      seed.string() + "'";
  std::string audio;
  if (std::system(cmd.c_str()) == 0) audio = readAll(seed);
  if (audio.size() > 10 && audio.starts_with("ID3")) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(audio[i]) & 0x7F; };
    audio.erase(0, 10 + ((b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9)));
  }
  if (audio.empty()) {
    std::printf("no ffmpeg: MP3 audio is synthetic frames without an Info frame\n");
    audio = mp3Frames(77);
  }
  return audio;
}

void makeCollection(const fs::path& root, int mp3, int flac) {
  fs::create_directories(root);
  const std::string frames = mp3Audio(root);
  for (int i = 0; i < mp3; ++i) {
    const fs::path dir = root / "mp3" / ("album" + std::to_string(i / 100));
    if (i % 100 == 0) fs::create_directories(dir);
    const std::string artist = "Artist " + std::to_string(i / 100);
    const std::string title = "A title of some length, number " + std::to_string(i);
    write(dir / ("track" + std::to_string(i) + ".mp3"),
          id3v2(artist, title) + frames + id3v1(artist, title));
  }
  for (int i = 0; i < flac; ++i) {
    const fs::path dir = root / "flac" / ("album" + std::to_string(i / 100));
    if (i % 100 == 0) fs::create_directories(dir);
    write(dir / ("track" + std::to_string(i) + ".flac"),
          flacFile("Artist " + std::to_string(i / 100), "Title number " + std::to_string(i)));
  }
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Median milliseconds of `runs` calls after one warm-up call.
double timeIt(int runs, const std::function<void()>& f) {
  f();
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    const auto t = Clock::now();
    f();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t).count());
  }
  return median(ms);
}

}  // namespace

int main(int argc, char** argv) {
  int mp3 = 50000, flac = 10000, runs = 5;
  fs::path dir = fs::temp_directory_path() / "tavel_tags_bench";
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--mp3"))
      mp3 = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--flac"))
      flac = std::atoi(argv[i + 1]);
    else if (!std::strcmp(argv[i], "--runs"))
      runs = std::max(1, std::atoi(argv[i + 1]));
    else if (!std::strcmp(argv[i], "--dir"))
      dir = argv[i + 1];
  }
  const fs::path stamp = dir / (std::to_string(mp3) + "-" + std::to_string(flac) + ".made");
  if (!fs::exists(stamp)) {
    std::printf("writing %d MP3 and %d FLAC files to %s ...\n", mp3, flac, dir.c_str());
    fs::remove_all(dir);
    makeCollection(dir, mp3, flac);
    write(stamp, "");
  }

  for (const char* kind : {"mp3", "flac"}) {
    const std::string folder = (dir / kind).string();
    TkroPlayList list;
    bool extended = false;
    TFileAdder adder([&] { return &list; }, nullptr);
    adder.setExtendedTags([&] { return extended; });
    auto scan = [&] {
      list.ClearEntries();
      adder.AddFolder(folder, kAudioFilesMask, false, true, true);
    };
    extended = false;
    const double id3 = timeIt(runs, scan);
    const int count = list.EntryCount();
    list.SelectIndex(0);
    const std::string sample1 = list.Cursor->GetDescr();
    extended = true;
    const double ext = timeIt(runs, scan);
    list.SelectIndex(0);
    const std::string sample2 =
        list.Cursor->GetDescr() + ", " + std::to_string(list.Cursor->GetLength()) + " s";
    std::vector<std::string> paths;
    ListFiles(paths, folder, true, true, "*");
    std::erase_if(paths, [](const std::string& p) { return !MatchesMaskList(p, kAudioFilesMask); });
    const double full = timeIt(runs, [&] {
      for (const std::string& p : paths) {
        TagLib::FileRef f(p.c_str(), true, TagLib::AudioProperties::Average);
        if (!f.isNull() && f.tag()) (void)f.tag()->artist();
      }
    });
    std::printf(
        "%-4s %6d files  id3v1 %8.0f ms  extended(Fast) %8.0f ms (x%.2f)  "
        "TagLib full parse %8.0f ms (x%.2f)\n     id3v1: \"%s\"  extended: \"%s\"\n",
        kind, count, id3, ext, ext / id3, full, full / id3, sample1.c_str(), sample2.c_str());
  }
  return 0;
}
