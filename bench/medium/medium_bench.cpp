// medium_bench [entries] [rounds] [work folder]
//
// Stages 1 to 3 (destinations, folders, check) over 100,000 marked entries whose files
// exist, in 100 folders, with names a music folder really holds (':' '?' '"', trailing
// dots, Cyrillic, upper-case extensions). Each round runs once with the rules of a Linux
// medium and once with those of an exFAT medium (refused characters, trailing dots and
// spaces, device names, UTF-16 length, case-insensitive folder matching), alternating
// which goes first. Prints the median and the spread of each and the ratio of medians,
// in processor time of this process (what the rules cost, and less disturbed by other
// work on a shared machine) and in wall time, and the time one probe of the work
// folder's medium takes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../engine_doubles.h"
#include "fs/medium_profile.h"
#include "operation/operation_engine.h"

namespace fs = std::filesystem;

namespace {

// Processor time (user and system) of this process so far.
double cpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct Times {
  double cpu = 0, wall = 0;
};

const char* const kFolders[] = {"Live: 1999", "What?", "Кино - Группа крови",
                                "Album. ",    "AC DC", "Сборник \"Лучшее\""};
const char* const kNames[] = {"Song",       "a:b",        "Что? Где? Когда?",
                              "trail.",     "CON",        "Звезда по имени Солнце",
                              "01 - Intro", "back\\slash"};
const char* const kExts[] = {".mp3", ".MP3", ".flac", ".ogg"};

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 7;
  const fs::path work =
      argc > 3 ? fs::path(argv[3]) : fs::temp_directory_path() / "tavel-medium-bench";
  const fs::path src = work / "src";
  fs::create_directories(src);
  std::printf("medium_bench: making %d files in 100 folders under %s ...\n", count, src.c_str());
  TkroPlayList list;
  for (int d = 0; d < 100; ++d)
    fs::create_directories(src / (std::string(kFolders[d % 6]) + " " + std::to_string(d)));
  for (int i = 0; i < count; ++i) {
    const int d = i % 100;
    const fs::path f = src / (std::string(kFolders[d % 6]) + " " + std::to_string(d)) /
                       (std::string(kNames[i % 8]) + " " + std::to_string(i) + kExts[i % 4]);
    std::ofstream(f).put('x');
    list.Add(f.string(), "", "Artist: Song " + std::to_string(i), 0, 0, FLAG_MARKED);
  }
  const AllTicked rows(list);

  MediumProfile linuxMedium;
  linuxMedium.fsType = "ext4";
  MediumProfile exfat;
  exfat.fsType = "exfat";
  exfat.windowsNames = true;
  exfat.ignoresCase = true;
  exfat.limitInUtf16 = true;

  auto stages = [&](const MediumProfile& medium) {
    fs::remove_all(work / "dst");
    QuietDisplay display;
    TOperationEngine engine(list, rows, display);
    engine.SetMediumProfile(medium);
    OperationParameters params;
    params.destination = (work / "dst").string();
    params.folderLayout = layoutNearestFolder;
    params.renameEnabled = true;
    params.deleteLeadingNumber = true;
    params.invalidCharRule = -1;  // the renaming leaves the refused characters to the medium
    params.limitBytes = 1000000000;
    engine.SetParameters(params, true);
    const auto t = std::chrono::steady_clock::now();
    const double c = cpuSeconds();
    const bool ok =
        engine.aPreparePL(actCopy) && engine.aPreAction(actCopy) && engine.aCheckPL(actCopy);
    const Times times{cpuSeconds() - c, secondsSince(t)};
    if (!ok) std::printf("  stages failed\n");
    return times;
  };

  std::vector<double> plainCpu, rulesCpu, plainWall, rulesWall;
  for (int round = 0; round < rounds; ++round) {
    Times a, b;
    if (round % 2 == 0) {
      a = stages(linuxMedium);
      b = stages(exfat);
    } else {
      b = stages(exfat);
      a = stages(linuxMedium);
    }
    plainCpu.push_back(a.cpu);
    rulesCpu.push_back(b.cpu);
    plainWall.push_back(a.wall);
    rulesWall.push_back(b.wall);
    std::printf(
        "round %d: Linux names %.3f s cpu (%.3f s wall), exFAT names %.3f s cpu (%.3f s wall)\n",
        round + 1, a.cpu, a.wall, b.cpu, b.wall);
  }
  auto spread = [](const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end());
  };
  auto report = [&](const char* what, const std::vector<double>& plain,
                    const std::vector<double>& rules) {
    std::printf(
        "stages 1-3 over %d entries, %s: Linux names median %.3f s (spread %.3f), exFAT names "
        "median %.3f s (spread %.3f); exFAT/Linux %.3f (target <= 1.10)\n",
        count, what, MedianOf(plain), spread(plain), MedianOf(rules), spread(rules),
        MedianOf(rules) / MedianOf(plain));
  };
  report("processor time", plainCpu, rulesCpu);
  report("wall time", plainWall, rulesWall);
  const auto t = std::chrono::steady_clock::now();
  const MediumProfile probed = ProbeMedium((work / "dst").string());
  std::printf("one probe of the medium (%s): %.6f s\n", probed.fsType.c_str(), secondsSince(t));
  fs::remove_all(work);
  return 0;
}
