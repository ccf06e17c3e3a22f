#include "worklist/tags.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "add_test_support.h"
#include "worklist/add_files.h"
#include "worklist/id3v1.h"
#include "worklist/text_encoding.h"

namespace fs = std::filesystem;

namespace {

bool haveFfmpeg() {
  return std::system("command -v ffmpeg >/dev/null 2>&1") == 0;
}

// 3.4 seconds of a tone, encoded by ffmpeg with the given artist and title (none when
// both are empty); no ID3v1 tag on MP3s, so that only the rich tag can name them.
void makeAudio(const fs::path& p, const std::string& codecArgs, const std::string& artist,
               const std::string& title) {
  fs::create_directories(p.parent_path());
  std::string cmd =
      "ffmpeg -v error -y -f lavfi -i sine=frequency=440:duration=3.4 -ac 1 " + codecArgs;
  if (!artist.empty()) cmd += " -metadata 'artist=" + artist + "'";
  if (!title.empty()) cmd += " -metadata 'title=" + title + "'";
  cmd += " '" + p.string() + "'";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

const char* kMp3 = "-c:a libmp3lame -b:a 64k -write_id3v1 0 -id3v2_version 3";
const char* kFlac = "-c:a flac";
const char* kVorbis = "-c:a libvorbis";
const char* kOpus = "-c:a libopus";
const char* kM4a = "-c:a aac";

// An ID3v2.3 tag of text frames, each `frameId` with its encoding byte and raw bytes.
std::string id3v2(const std::vector<std::pair<std::string, std::string>>& frames) {
  std::string body;
  for (const auto& [id, data] : frames) {
    const std::size_t n = data.size();
    body += id;
    body += {char(n >> 24), char((n >> 16) & 0xFF), char((n >> 8) & 0xFF), char(n & 0xFF)};
    body += std::string(2, '\0');
    body += data;
  }
  body += std::string(64, '\0');  // padding
  const std::size_t n = body.size();
  std::string h = "ID3";
  h += {3,
        0,
        0,
        char((n >> 21) & 0x7F),
        char((n >> 14) & 0x7F),
        char((n >> 7) & 0x7F),
        char(n & 0x7F)};
  return h + body;
}

struct Tags : ::testing::Test {
  TempDir dir;
  TkroPlayList list;
  RecordingView view;
  bool extended = true;
  TFileAdder adder{[this] { return &list; }, &view};
  Tags() {
    adder.setExtendedTags([this] { return extended; });
  }
  std::string base() const { return dir.str() + "/music"; }
};

TEST_F(Tags, EveryFormatGivesItsTagAndLengthAndTheAudioMaskLeavesOtherFilesOut) {
  if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed; no audio files can be made";
  const std::string longTitle = "Let It Be: Naked Version (Remastered 2013)";
  makeAudio(dir / "music/a.mp3", kMp3, "  The Beatles ", longTitle);
  makeAudio(dir / "music/b.flac", kFlac, "Кино", "Группа крови");
  makeAudio(dir / "music/sub/c.ogg", kVorbis, "", "Only Title");
  makeAudio(dir / "music/sub/d.opus", kOpus, "Opus Artist", "Opus Song");
  makeAudio(dir / "music/e.m4a", kM4a, "M4A Artist", "M4A Song");
  makeAudio(dir / "music/f.flac", kFlac, "", "");  // no tag: the name, but a length
  writeFile(dir / "music/cover.jpg", std::string(5000, 'j'));
  writeFile(dir / "music/info.txt", "notes");
  writeFile(dir / "music/list.m3u", "#EXTM3U\n");

  adder.AddFolder(base(), kAudioFilesMask, false, true, true);

  const auto entries = Snapshot(list);
  std::map<std::string, std::pair<std::string, int>> got;
  for (const auto& e : entries) got[e.origin.substr(base().size())] = {e.descr, e.length};
  const std::map<std::string, std::pair<std::string, int>> want{
      {"/a.mp3", {"The Beatles - " + longTitle, 3}},
      {"/b.flac", {"Кино - Группа крови", 3}},
      {"/e.m4a", {"M4A Artist - M4A Song", 3}},
      {"/f.flac", {"f", 3}},
      {"/sub/c.ogg", {" - Only Title", 3}},
      {"/sub/d.opus", {"Opus Artist - Opus Song", 3}},
  };
  EXPECT_EQ(got, want);
  EXPECT_EQ(view.rows.size(), 6u);
  for (const auto& e : entries)
    EXPECT_EQ(e.size, static_cast<std::int64_t>(fs::file_size(e.origin)));

  // The setting off: exactly the ID3v1-only rules (these files carry no ID3v1 tag), and
  // no lengths.
  list.ClearEntries();
  extended = false;
  adder.AddFolder(base(), kAudioFilesMask, false, true, true);
  for (const auto& e : Snapshot(list)) {
    EXPECT_EQ(e.descr, std::string(NameWithoutExtension(FileNamePart(e.origin))));
    EXPECT_EQ(e.length, 0);
  }

  // The page's ID3 option off keeps file names, but the lengths are still read.
  list.ClearEntries();
  extended = true;
  adder.AddFolder(base(), "*.flac", false, false, false);
  ASSERT_EQ(Snapshot(list).size(), 2u);
  EXPECT_EQ(Snapshot(list)[0].descr, "b");
  EXPECT_EQ(Snapshot(list)[0].length, 3);

  // Single files: tags read, and a playlist's own title and length win over the file's.
  list.ClearEntries();
  adder.AddFiles({base() + "/b.flac"});
  adder.AddFile(base() + "/e.m4a", "From playlist", true, true, 77, 1);
  adder.AddFile(base() + "/e.m4a", "From playlist", true, true, 0, 1);
  const auto single = Snapshot(list);
  ASSERT_EQ(single.size(), 3u);
  EXPECT_EQ(single[0].descr, "Кино - Группа крови");
  EXPECT_EQ(single[0].length, 3);
  EXPECT_EQ(single[1].descr, "From playlist");
  EXPECT_EQ(single[1].length, 77);
  EXPECT_EQ(single[2].length, 3);
}

TEST_F(Tags, Id3v2Latin1FramesHoldingWindows1251ReadAsCyrillicAndId3v1StaysTheFallback) {
  if (!haveFfmpeg()) GTEST_SKIP() << "ffmpeg is not installed; no audio files can be made";
  makeAudio(dir / "plain.mp3", kMp3 + std::string(" -map_metadata -1"), "", "");
  std::string audio = readFile(dir / "plain.mp3");
  // ffmpeg writes an ID3v2 header with its encoder name even without metadata; drop it.
  if (audio.starts_with("ID3")) {
    const auto b = [&](int i) { return static_cast<unsigned char>(audio[static_cast<size_t>(i)]); };
    audio.erase(0, 10 + ((b(6) << 21) | (b(7) << 14) | (b(8) << 7) | b(9)));
  }
  const std::string kino = Utf8ToCp1251("Кино"), song = Utf8ToCp1251("Звезда по имени Солнце");
  fs::create_directories(dir / "music");
  // Latin-1 declared, Windows-1251 bytes.
  writeFile(dir / "music/1.mp3", id3v2({{"TPE1", '\0' + kino}, {"TIT2", '\0' + song}}) + audio);
  // Latin-1 declared, but the bytes are UTF-8 (some taggers do this): read as UTF-8.
  writeFile(
      dir / "music/2.mp3",
      id3v2({{"TPE1", std::string(1, '\0') + "Ария"}, {"TIT2", '\0' + std::string("Ok")}}) + audio);
  // UTF-16 with a byte-order mark: TagLib's own decoding, untouched by the rule.
  writeFile(dir / "music/3.mp3", id3v2({{"TPE1", std::string("\x01\xFF\xFE\x1a\x04\x38\x04", 7)},
                                        {"TIT2", std::string("\x01\xFF\xFEX\0", 5)}}) +
                                     audio);
  // An ID3v2 tag without artist and title, and a Windows-1251 ID3v1 tag: ID3v1's rules.
  writeFile(dir / "music/4.mp3", id3v2({{"TALB", '\0' + std::string("Album")}}) + audio +
                                     Id3Block(Utf8ToCp1251("Песня"), Utf8ToCp1251("Группа")));
  // Broken or hostile files: random bytes under every audio name, a cut FLAC header, a
  // tag size pointing far past the end, and a named pipe, which must not block.
  std::string noise;
  for (int i = 0; i < 9000; ++i) noise += char((i * 7919 + 13) % 251);
  for (const char* n : {"x.mp3", "x.flac", "x.ogg", "x.opus", "x.m4a", "x.wma", "x.ape", "x.wv",
                        "x.mpc", "x.wav", "x.aac"})
    writeFile(dir / "music" / n, noise);
  writeFile(dir / "music/y.flac", std::string("fLaC\0\0\0\x22", 8) + "short");
  writeFile(dir / "music/z.mp3",
            std::string("ID3\3\0\0\x7F\x7F\x7F\x7F", 10) + audio.substr(0, 400));
  ASSERT_EQ(::mkfifo((dir / "music/pipe.flac").c_str(), 0600), 0);

  adder.AddFolder(base(), "", false, false, true);

  std::map<std::string, std::string> got;
  for (const auto& e : Snapshot(list)) {
    got[std::string(FileNamePart(e.origin))] = e.descr;
    EXPECT_TRUE(IsValidUtf8(e.descr));
  }
  EXPECT_EQ(got["1.mp3"], "Кино - Звезда по имени Солнце");
  EXPECT_EQ(got["2.mp3"], "Ария - Ok");
  EXPECT_EQ(got["3.mp3"], "Ки - X");
  EXPECT_EQ(got["4.mp3"], "Группа - Песня");
  for (const char* n : {"x.mp3", "x.flac", "x.ogg", "x.opus", "x.m4a", "x.wma", "x.ape", "x.wv",
                        "x.mpc", "x.wav", "x.aac"})
    EXPECT_EQ(got[n], "x") << n;
  EXPECT_EQ(got["y.flac"], "y");
  EXPECT_EQ(got.count("pipe.flac"), 0u);  // the listing passes only regular files
  EXPECT_EQ(got.size(), 4u + 11u + 2u);

  // Chosen as a single file, the pipe is looked at but never read.
  list.ClearEntries();
  adder.AddFiles({base() + "/pipe.flac"});
  ASSERT_EQ(Snapshot(list).size(), 1u);
  EXPECT_EQ(Snapshot(list)[0].descr, "pipe");
  EXPECT_EQ(Snapshot(list)[0].length, 0);
}

TEST(MaskList, PatternsSeparatedBySemicolons) {
  EXPECT_TRUE(MatchesMaskList("a.mp3", kAudioFilesMask));
  EXPECT_TRUE(MatchesMaskList("B.FLAC", kAudioFilesMask));
  EXPECT_TRUE(MatchesMaskList("x.opus", kAudioFilesMask));
  EXPECT_FALSE(MatchesMaskList("cover.jpg", kAudioFilesMask));
  EXPECT_FALSE(MatchesMaskList("list.m3u", kAudioFilesMask));
  EXPECT_FALSE(MatchesMaskList("a.mp3.part", kAudioFilesMask));
  EXPECT_FALSE(MatchesMaskList("mp3", kAudioFilesMask));
  EXPECT_TRUE(MatchesMaskList("a.ogg", " *.mp3 ;  *.ogg "));
  EXPECT_TRUE(MatchesMaskList("anything", ""));
  EXPECT_TRUE(MatchesMaskList("anything", ";;"));
  EXPECT_TRUE(MatchesMaskList("a.mp3", "*.mp3;"));
  EXPECT_FALSE(MatchesMaskList("a.wav", "*.mp3;"));
  EXPECT_TRUE(MatchesMaskList("track01.wav", "track??.*"));
}

}  // namespace
