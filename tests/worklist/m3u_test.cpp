#include "worklist/m3u.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "test_support.h"
#include "worklist/text_encoding.h"

namespace {

const std::string kFolder = "/home/u/Lists";

TEST(M3uRead, EveryLineKind) {
  const std::string text =
      "#EXTM3U\r\n"
      "#EXTINF:215,Artist - Title\r\n"
      "Music\\a.mp3\r\n"
      "#EXTINF:215,A, B\r\n"
      "b.mp3\r\n"
      "#EXTINF:-1,Radio\r\n"
      "http://radio.example/stream\r\n"
      "#EXTINF:10,Kept\r\n"
      "# a comment between information and path\r\n"
      "\r\n"
      "   \t\r\n"
      "c.mp3\r\n"
      "d.mp3\r\n"
      "#EXTINF:7\r\n"
      "e.mp3\r\n"
      "#EXTINF:  42 , Spaced\r\n"
      "  f.mp3  \r\n"
      "#EXTINF:1,Second\r\n"
      "#EXTINF:2,Last wins\r\n"
      "g.mp3\r\n"
      "#extinf:3,not information\r\n"
      "h.mp3";  // last line without its end
  const M3uParseResult r = ParseM3U(text, kFolder);
  ASSERT_EQ(r.status, M3uStatus::Ok);
  EXPECT_TRUE(r.diagnostics.empty());
  ASSERT_EQ(r.records.size(), 9u);
  const auto& rec = r.records;
  EXPECT_EQ(rec[0].path, kFolder + "/Music/a.mp3");
  EXPECT_EQ(rec[0].title, "Artist - Title");
  EXPECT_EQ(rec[0].length, 215);
  EXPECT_TRUE(rec[0].hasExtinf);
  EXPECT_EQ(rec[0].lineNumber, 3);
  EXPECT_EQ(rec[1].title, "A, B");
  EXPECT_EQ(rec[2].path, "http://radio.example/stream");
  EXPECT_EQ(rec[2].length, -1);
  EXPECT_EQ(rec[2].title, "Radio");
  EXPECT_EQ(rec[3].path, kFolder + "/c.mp3");  // comment and blank lines in between
  EXPECT_EQ(rec[3].title, "Kept");
  EXPECT_EQ(rec[3].length, 10);
  EXPECT_EQ(rec[4].path, kFolder + "/d.mp3");  // information is used up by one path
  EXPECT_EQ(rec[4].title, "");
  EXPECT_EQ(rec[4].length, -1);
  EXPECT_FALSE(rec[4].hasExtinf);
  EXPECT_EQ(rec[5].title, "");  // no comma: no title, the rest is the length
  EXPECT_EQ(rec[5].length, 7);
  EXPECT_TRUE(rec[5].hasExtinf);
  EXPECT_EQ(rec[6].path, kFolder + "/f.mp3");
  EXPECT_EQ(rec[6].length, 42);
  EXPECT_EQ(rec[6].title, " Spaced");
  EXPECT_EQ(rec[7].title, "Last wins");
  EXPECT_EQ(rec[7].length, 2);
  EXPECT_EQ(rec[8].path, kFolder + "/h.mp3");  // lower-case #extinf is a comment
  EXPECT_FALSE(rec[8].hasExtinf);
  EXPECT_EQ(rec[8].lineNumber, 22);
}

TEST(M3uRead, FirstLineMustBeTheExactHeader) {
  EXPECT_EQ(ParseM3U("#extm3u\na.mp3\n", kFolder).status, M3uStatus::NotM3u);
  EXPECT_EQ(ParseM3U("a.mp3\n#EXTM3U\n", kFolder).status, M3uStatus::NotM3u);
  EXPECT_EQ(ParseM3U("\n#EXTM3U\na.mp3\n", kFolder).status, M3uStatus::NotM3u);
  EXPECT_EQ(ParseM3U("#EXTM3U8\na.mp3\n", kFolder).status, M3uStatus::NotM3u);
  const M3uParseResult bad = ParseM3U("[playlist]\nFile1=a.mp3\n", kFolder);
  EXPECT_EQ(bad.status, M3uStatus::NotM3u);
  EXPECT_TRUE(bad.records.empty());
  // Blanks around the header are trimmed like on every line.
  EXPECT_EQ(ParseM3U("  #EXTM3U \t\na.mp3", kFolder).records.size(), 1u);
  EXPECT_EQ(ParseM3U("#EXTM3U", kFolder).status, M3uStatus::Ok);
  EXPECT_TRUE(ParseM3U("#EXTM3U", kFolder).records.empty());
  EXPECT_EQ(ParseM3U("", kFolder).status, M3uStatus::Empty);
  EXPECT_EQ(ParseM3U("\xEF\xBB\xBF", kFolder).status, M3uStatus::Empty);
}

TEST(M3uRead, LineEndsOfEveryKindAndByteOrderMark) {
  const std::string lf = "#EXTM3U\n#EXTINF:1,One\na.mp3\nb.mp3\n";
  const std::string crlf = "#EXTM3U\r\n#EXTINF:1,One\r\na.mp3\r\nb.mp3\r\n";
  const std::string cr = "#EXTM3U\r#EXTINF:1,One\ra.mp3\rb.mp3\r";
  const std::string bom = "\xEF\xBB\xBF" + crlf;
  for (const std::string& text : {lf, crlf, cr, bom}) {
    const M3uParseResult r = ParseM3U(text, kFolder);
    ASSERT_EQ(r.status, M3uStatus::Ok);
    ASSERT_EQ(r.records.size(), 2u);
    EXPECT_EQ(r.records[0].title, "One");
    EXPECT_EQ(r.records[0].path, kFolder + "/a.mp3");
    EXPECT_EQ(r.records[1].path, kFolder + "/b.mp3");
    EXPECT_EQ(r.records[1].lineNumber, 4);
  }
  // CR CR LF is two line ends: an empty line that counts.
  const M3uParseResult r = ParseM3U("#EXTM3U\r\r\nx\xE2\x80\xA6.mp3", kFolder);
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_EQ(r.records[0].path, kFolder + "/x….mp3");
  EXPECT_EQ(r.records[0].lineNumber, 3);
}

TEST(M3uRead, PathsUnchangedOrJoinedToThePlaylistFolder) {
  EXPECT_EQ(ResolvePlaylistPath("/abs/x.mp3", kFolder), "/abs/x.mp3");
  EXPECT_EQ(ResolvePlaylistPath("\\\\server\\share\\x.mp3", kFolder), "\\\\server\\share\\x.mp3");
  EXPECT_EQ(ResolvePlaylistPath("\\x.mp3", kFolder), "\\x.mp3");
  EXPECT_EQ(ResolvePlaylistPath("D:\\x.mp3", kFolder), "D:\\x.mp3");
  EXPECT_EQ(ResolvePlaylistPath("d:x.mp3", kFolder), "d:x.mp3");
  EXPECT_EQ(ResolvePlaylistPath("https://h/a b.mp3", kFolder), "https://h/a b.mp3");
  EXPECT_EQ(ResolvePlaylistPath("file:///m/a.mp3", kFolder), "file:///m/a.mp3");
  // A colon that is not after a drive letter is part of a relative name.
  EXPECT_EQ(ResolvePlaylistPath("Band: Song.mp3", kFolder), kFolder + "/Band: Song.mp3");
  EXPECT_EQ(ResolvePlaylistPath("1:2.mp3", kFolder), kFolder + "/1:2.mp3");
  EXPECT_EQ(ResolvePlaylistPath("..\\x.mp3", kFolder), kFolder + "/../x.mp3");
  EXPECT_EQ(ResolvePlaylistPath("../x.mp3", kFolder), kFolder + "/../x.mp3");
  EXPECT_EQ(ResolvePlaylistPath("a\\\\b//c.mp3", kFolder), kFolder + "/a/b/c.mp3");
  EXPECT_EQ(ResolvePlaylistPath("a.mp3", "/"), "/a.mp3");
  EXPECT_EQ(ResolvePlaylistPath("a.mp3", ""), "a.mp3");
  EXPECT_EQ(ResolvePlaylistPath("sub/a.mp3", "rel"), "rel/sub/a.mp3");

  EXPECT_EQ(PlaylistFolder("/home/u/Lists/mix.m3u"), "/home/u/Lists");
  EXPECT_EQ(PlaylistFolder("/mix.m3u"), "/");
  EXPECT_EQ(PlaylistFolder("mix.m3u"), "");
  EXPECT_EQ(PlaylistFolder("/a//mix.m3u"), "/a");
}

TEST(M3uRead, PlaylistFromWindowsInCp1251) {
  // Written by a Windows player: code page 1251, backslashes, a drive, a network share,
  // a relative path up one folder, and a UTF-8 line among them.
  const std::string text =
      "#EXTM3U\r\n"
      "#EXTINF:185,\xC0\xEB\xE8\xF1\xE0 - \xD2\xF0\xE0\xE2\xE0 \xEF\xEE \xEF\xEE\xFF\xF1\r\n"
      "..\\\xD0\xF3\xF1\xF1\xEA\xEE\xE5\\01 \xD2\xF0\xE0\xE2\xE0.mp3\r\n"
      "#EXTINF:200,Kino\r\n"
      "C:\\\xCC\xF3\xE7\xFB\xEA\xE0\\kino.mp3\r\n"
      "\\\\nas\\music\\x.mp3\r\n"
      "#EXTINF:60,Юникод\r\n"
      "Папка\\y.mp3\r\n";
  const M3uParseResult r = ParseM3U(text, kFolder);
  ASSERT_EQ(r.status, M3uStatus::Ok);
  ASSERT_EQ(r.records.size(), 4u);
  EXPECT_EQ(r.records[0].title, "Алиса - Трава по пояс");
  EXPECT_EQ(r.records[0].length, 185);
  EXPECT_EQ(r.records[0].path, kFolder + "/../Русское/01 Трава.mp3");
  EXPECT_EQ(r.records[1].path, "C:\\Музыка\\kino.mp3");
  EXPECT_EQ(r.records[2].path, "\\\\nas\\music\\x.mp3");
  EXPECT_EQ(r.records[2].length, -1);
  EXPECT_EQ(r.records[3].title, "Юникод");
  EXPECT_EQ(r.records[3].path, kFolder + "/Папка/y.mp3");
  for (const auto& rec : r.records) {
    EXPECT_TRUE(IsValidUtf8(rec.path));
    EXPECT_TRUE(IsValidUtf8(rec.title));
  }
}

TEST(M3uRead, BadLengthGivesMinusOneAndADiagnosticAndReadingGoesOn) {
  const std::string text =
      "#EXTM3U\n"
      "#EXTINF:3.5,Fraction\n"
      "a.mp3\n"
      "#EXTINF:,Empty\n"
      "b.mp3\n"
      "#EXTINF:abc,Text\n"
      "c.mp3\n"
      "#EXTINF:99999999999,Too long\n"
      "d.mp3\n"
      "#EXTINF:1-2,Dash\n"
      "e.mp3\n"
      "#EXTINF:+5,Plus\n"
      "f.mp3\n"
      "#EXTINF:-0,Zero\n"
      "g.mp3\n";
  const M3uParseResult r = ParseM3U(text, kFolder);
  ASSERT_EQ(r.status, M3uStatus::Ok);
  ASSERT_EQ(r.records.size(), 7u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(r.records[i].length, -1) << i;
    EXPECT_TRUE(r.records[i].hasExtinf) << i;
  }
  EXPECT_EQ(r.records[0].title, "Fraction");
  EXPECT_EQ(r.records[4].title, "Dash");
  EXPECT_EQ(r.records[5].length, 5);
  EXPECT_EQ(r.records[6].length, 0);
  ASSERT_EQ(r.diagnostics.size(), 5u);
  const int lines[] = {2, 4, 6, 8, 10};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(r.diagnostics[i].lineNumber, lines[i]);
    EXPECT_NE(r.diagnostics[i].message.find("line " + std::to_string(lines[i])), std::string::npos)
        << r.diagnostics[i].message;
  }
  EXPECT_NE(r.diagnostics[0].message.find("\"3.5\""), std::string::npos);

  // A huge bad length does not make a huge log line, nor one with a broken character.
  const M3uParseResult big = ParseM3U(
      "#EXTM3U\n#EXTINF:" + std::string(39, 'x') + "я" + std::string(5000, '9') + ",T\na.mp3\n",
      kFolder);
  ASSERT_EQ(big.diagnostics.size(), 1u);
  EXPECT_LT(big.diagnostics[0].message.size(), 150u);
  EXPECT_TRUE(IsValidUtf8(big.diagnostics[0].message));
  EXPECT_NE(big.diagnostics[0].message.find(std::string(39, 'x') + "...\""), std::string::npos);
}

TEST(M3uWrite, ExactBytesOfAWrittenPlaylist) {
  EXPECT_EQ(FormatM3U({}), "#EXTM3U\r\n");
  const std::vector<M3uExportEntry> entries = {
      {"/m/a.mp3", "D", 0},
      {"/m/b.mp3", "", 215},
      {"/m/Кино.mp3", "Кино - Звезда", -1},
      {"D:\\x.mp3", "A, B", 7},
      {"/m/c.mp3", "two\r\nlines", 3},
  };
  EXPECT_EQ(FormatM3U(entries),
            "#EXTM3U\r\n"
            "#EXTINF:0,D\r\n/m/a.mp3\r\n"
            "/m/b.mp3\r\n"
            "#EXTINF:-1,Кино - Звезда\r\n/m/Кино.mp3\r\n"
            "#EXTINF:7,A, B\r\nD:\\x.mp3\r\n"
            "#EXTINF:3,two  lines\r\n/m/c.mp3\r\n");
}

TEST(M3uWrite, WrittenPlaylistReadsBackTheSame) {
  TempDir dir;
  const std::vector<M3uExportEntry> entries = {
      {(dir / "a.mp3").string(), "Artist - Title", 215},
      {(dir / "sub" / "Кукушка.mp3").string(), "Кино - Кукушка", 0},
      {"/elsewhere/no title.mp3", "", 99},
      {"http://radio/stream", "Radio, live", -1},
      {"C:\\win\\x.mp3", "#not a comment", 1},
  };
  const std::string file = (dir / "list.m3u").string();
  std::string error;
  ASSERT_TRUE(WriteM3UFile(file, entries, error)) << error;
  EXPECT_EQ(readFile(file), FormatM3U(entries));

  const M3uParseResult r = ReadM3UFile(file);
  ASSERT_EQ(r.status, M3uStatus::Ok);
  ASSERT_EQ(r.records.size(), entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(r.records[i].path, entries[i].path) << i;
    EXPECT_EQ(r.records[i].title, entries[i].description) << i;
    EXPECT_EQ(r.records[i].length, entries[i].description.empty() ? -1 : entries[i].length) << i;
  }
  // Nothing of the temporary file is left behind.
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 1);
}

TEST(M3uWrite, ReplacingKeepsModeAndRefusesReadOnlyOrImpossibleTargets) {
  TempDir dir;
  const std::string file = (dir / "list.m3u").string();
  std::string error;
  writeFile(file, "old");
  ::chmod(file.c_str(), 0640);
  ASSERT_TRUE(WriteM3UFile(file, {{"/a.mp3", "A", 1}}, error)) << error;
  EXPECT_EQ(readFile(file), "#EXTM3U\r\n#EXTINF:1,A\r\n/a.mp3\r\n");
  struct stat st;
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // Through a link: the file behind it is replaced, the link stays.
  const std::string link = (dir / "link.m3u").string();
  std::filesystem::create_symlink(file, link);
  ASSERT_TRUE(WriteM3UFile(link, {{"/b.mp3", "", 0}}, error)) << error;
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readFile(file), "#EXTM3U\r\n/b.mp3\r\n");

  if (::geteuid() != 0) {  // root writes anything
    ::chmod(file.c_str(), 0444);
    error.clear();
    EXPECT_FALSE(WriteM3UFile(file, {{"/c.mp3", "", 0}}, error));
    EXPECT_NE(error.find("list.m3u"), std::string::npos) << error;
    EXPECT_EQ(readFile(file), "#EXTM3U\r\n/b.mp3\r\n");
  }
  error.clear();
  EXPECT_FALSE(WriteM3UFile((dir / "no" / "such" / "x.m3u").string(), {}, error));
  EXPECT_FALSE(error.empty());
  error.clear();
  EXPECT_FALSE(WriteM3UFile(dir.str(), {}, error));
  EXPECT_FALSE(error.empty());
}

TEST(M3uRead, FilesThatCannotBeReadAreReportedNotParsed) {
  TempDir dir;
  const M3uParseResult missing = ReadM3UFile((dir / "none.m3u").string());
  EXPECT_EQ(missing.status, M3uStatus::Unreadable);
  EXPECT_NE(missing.error.find("none.m3u"), std::string::npos);
  EXPECT_EQ(ReadM3UFile(dir.str()).status, M3uStatus::Unreadable);  // a folder
  ASSERT_EQ(::mkfifo((dir / "pipe.m3u").c_str(), 0600), 0);
  EXPECT_EQ(ReadM3UFile((dir / "pipe.m3u").string()).status, M3uStatus::Unreadable);
  EXPECT_EQ(ReadM3UFile("/dev/zero").status, M3uStatus::Unreadable);

  writeFile(dir / "sub" / "x.m3u", "#EXTM3U\n..\\a.mp3\n");
  const M3uParseResult r = ReadM3UFile((dir / "sub" / "x.m3u").string());
  ASSERT_EQ(r.records.size(), 1u);
  EXPECT_EQ(r.records[0].path, (dir / "sub").string() + "/../a.mp3");
}

}  // namespace
