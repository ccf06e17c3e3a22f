// A run sweeps each destination folder for temporaries an interrupted copy left there,
// before it writes into it; nothing else there is touched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <set>

#include "engine_fakes.h"
#include "operation/operation_engine.h"
#include "test_support.h"

namespace fs = std::filesystem;

TEST(EnginePartFiles, ARunRemovesStaleCopyTemporariesInItsDestinationOnly) {
  TempDir tmp;
  writeFile(tmp / "src/a.mp3", "aaaa");
  const std::time_t old = std::time(nullptr) - 600;
  const struct timespec times[2] = {{old, 0}, {old, 0}};
  // 300 KB left of a song by a copy that was killed, beside the user's own files.
  for (const char* name : {".a.mp3.tavel-part-k1ll3d", ".song.mp3.tavel-part-x9y8z7", "mine.mp3",
                           ".hidden", "notes.tavel-part-abcdef"}) {
    writeFile(tmp / "dst" / name, std::string(300000, 'p'));
    ASSERT_EQ(::utimensat(AT_FDCWD, (tmp / "dst" / name).c_str(), times, 0), 0);
  }
  // The same name in a folder the run does not write to stays.
  writeFile(tmp / "elsewhere/.b.mp3.tavel-part-k1ll3d", "p");
  ASSERT_EQ(::utimensat(AT_FDCWD, (tmp / "elsewhere/.b.mp3.tavel-part-k1ll3d").c_str(), times, 0),
            0);

  EngineRig r;
  r.tick(tmp / "src/a.mp3");
  r.params.destination = (tmp / "dst").string() + "/ ";
  r.go();

  EXPECT_EQ(readFile(tmp / "dst/a.mp3"), "aaaa");
  EXPECT_EQ(namesIn(tmp / "dst"),
            (std::set<std::string>{"a.mp3", "mine.mp3", ".hidden", "notes.tavel-part-abcdef"}));
  EXPECT_TRUE(fs::exists(tmp / "elsewhere/.b.mp3.tavel-part-k1ll3d"));
}
