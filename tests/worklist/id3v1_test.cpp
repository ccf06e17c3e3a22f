#include "worklist/id3v1.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "test_support.h"
#include "worklist/text_encoding.h"

namespace {

std::string field(const std::string& text, std::size_t width, char pad) {
  std::string f = text.substr(0, width);
  f.resize(width, pad);
  return f;
}

struct TagSpec {
  TagSpec(std::string t = "", std::string a = "", std::string al = "", std::string y = "",
          std::string c = "", int tr = -1, int g = 255, char p = '\0')
      : title(t), artist(a), album(al), year(y), comment(c), track(tr), genre(g), pad(p) {}
  std::string title, artist, album, year, comment;
  int track;  // -1: plain ID3v1 comment of 30 bytes
  int genre;
  char pad;
};

std::string tagBlock(const TagSpec& s) {
  std::string b = "TAG";
  b += field(s.title, 30, s.pad);
  b += field(s.artist, 30, s.pad);
  b += field(s.album, 30, s.pad);
  b += field(s.year, 4, s.pad);
  if (s.track >= 0) {
    b += field(s.comment, 28, s.pad);
    b += '\0';
    b += static_cast<char>(s.track);
  } else {
    b += field(s.comment, 30, s.pad);
  }
  b += static_cast<char>(s.genre);
  return b;
}

// An "audio" body followed by the tag, so the reader must find the tag at the end.
std::string mp3With(const TagSpec& s) {
  return std::string(1000, '\xFF') + tagBlock(s);
}

TEST(Id3v1, FieldsAreCutAtNulAndStrippedOfPadding) {
  TagSpec s{"Song", "Artist      ", "Album", "1999", "nice", 7, 17, '\0'};
  auto tag = ParseId3v1(tagBlock(s));
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->title, "Song");
  EXPECT_EQ(tag->artist, "Artist");
  EXPECT_EQ(tag->album, "Album");
  EXPECT_EQ(tag->year, "1999");
  EXPECT_EQ(tag->comment, "nice");
  EXPECT_EQ(tag->track, 7);
  EXPECT_EQ(tag->genre, 17);

  // Space padding (older taggers) and garbage after a NUL (some taggers).
  s = {"Title", "", "", "", "a plain comment", -1, 255, ' '};
  std::string block = tagBlock(s);
  block.replace(33, 10, std::string("Who\0garbage", 10));
  tag = ParseId3v1(block);
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->title, "Title");
  EXPECT_EQ(tag->artist, "Who");
  EXPECT_EQ(tag->album, "");
  EXPECT_EQ(tag->year, "");
  EXPECT_EQ(tag->comment, "a plain comment");
  EXPECT_EQ(tag->track, 0);  // last comment byte is a blank, not a track behind a NUL
  EXPECT_EQ(tag->genre, 255);

  // A field filling all 30 bytes has no terminator at all.
  s = {std::string(30, 'T'), std::string(30, 'A'), "", "", std::string(30, 'C')};
  tag = ParseId3v1(tagBlock(s));
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->title, std::string(30, 'T'));
  EXPECT_EQ(tag->artist, std::string(30, 'A'));
  EXPECT_EQ(tag->comment, std::string(30, 'C'));
}

TEST(Id3v1, OnlyBlocksOf128BytesStartingWithTagAreTags) {
  const std::string good = tagBlock({"t", "a"});
  EXPECT_TRUE(ParseId3v1(good));
  EXPECT_FALSE(ParseId3v1(good.substr(0, 127)));
  EXPECT_FALSE(ParseId3v1(""));
  EXPECT_FALSE(ParseId3v1("tag" + good.substr(3)));  // letter case matters
  EXPECT_FALSE(ParseId3v1(std::string(128, '\0')));
}

TEST(Id3v1, FieldEncodingIsUtf8WhenValidElseWindows1251) {
  // "Кино" and "Группа крови" in Windows-1251.
  TagSpec s{"\xC3\xF0\xF3\xEF\xEF\xE0 \xEA\xF0\xEE\xE2\xE8", "\xCA\xE8\xED\xEE"};
  auto tag = ParseId3v1(tagBlock(s));
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->artist, "Кино");
  EXPECT_EQ(tag->title, "Группа крови");

  s = {"Звезда по имени Солнце", "Кино"};  // UTF-8, 41 bytes of title: cut at 30 bytes
  tag = ParseId3v1(tagBlock(s));
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->artist, "Кино");
  EXPECT_EQ(tag->title, "Звезда по имени");  // 29 bytes kept; the half letter dropped
  EXPECT_TRUE(IsValidUtf8(tag->title));

  // A Windows-1251 field that happens to end in a byte that could start a UTF-8 letter
  // is still Windows-1251 as long as nothing before it is UTF-8: "Song Я" full width.
  s = {std::string(24, 'x') + "Song \xDF"};
  tag = ParseId3v1(tagBlock(s));
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->title, std::string(24, 'x') + "Song Я");
}

TEST(Id3v1, ReadsTheTagAtTheEndOfTheFile) {
  TempDir dir;
  writeFile(dir / "a.mp3", mp3With({"Song", "Artist   ", "", "", "", -1, 255, ' '}));
  auto tag = ReadId3v1((dir / "a.mp3").string());
  ASSERT_TRUE(tag);
  EXPECT_EQ(tag->artist, "Artist");
  EXPECT_EQ(tag->title, "Song");

  // Exactly 128 bytes is a tag and nothing else.
  writeFile(dir / "only.mp3", tagBlock({"T", "A"}));
  EXPECT_TRUE(ReadId3v1((dir / "only.mp3").string()));

  // "TAG" at the start of a longer file is not the tag.
  writeFile(dir / "front.mp3", tagBlock({"T", "A"}) + std::string(200, 'x'));
  EXPECT_FALSE(ReadId3v1((dir / "front.mp3").string()));

  writeFile(dir / "short.mp3", tagBlock({"T", "A"}).substr(0, 127));
  EXPECT_FALSE(ReadId3v1((dir / "short.mp3").string()));
  writeFile(dir / "empty.mp3", "");
  EXPECT_FALSE(ReadId3v1((dir / "empty.mp3").string()));
  EXPECT_FALSE(ReadId3v1((dir / "missing.mp3").string()));
  EXPECT_FALSE(ReadId3v1(dir.str()));  // a folder
  // A named pipe nobody writes to must not hold the scan up.
  ASSERT_EQ(::mkfifo((dir / "pipe.mp3").c_str(), 0600), 0);
  EXPECT_FALSE(ReadId3v1((dir / "pipe.mp3").string()));
}

TEST(Id3v1, DescriptionJoinsTrimmedArtistAndTitle) {
  Id3v1Tag t;
  t.artist = "  Artist\t";
  t.title = "\x01Song ";
  EXPECT_EQ(Id3v1Description(t), "Artist - Song");
  t.artist = "";
  EXPECT_EQ(Id3v1Description(t), " - Song");
  t.artist = "Artist";
  t.title = "   ";
  EXPECT_EQ(Id3v1Description(t), "Artist - ");
  t.artist = " ";
  EXPECT_EQ(Id3v1Description(t), "");
}

TEST(Id3v1, FileNameWithoutExtensionForEveryDottedShape) {
  EXPECT_EQ(FileNamePart("/music/a.b/c.mp3"), "c.mp3");
  EXPECT_EQ(FileNamePart("D:\\Music\\x.mp3"), "x.mp3");
  EXPECT_EQ(FileNamePart("noslash"), "noslash");
  EXPECT_EQ(FileNamePart("/dir/"), "");
  EXPECT_EQ(NameWithoutExtension("a.b.c.mp3"), "a.b.c");
  EXPECT_EQ(NameWithoutExtension("name.with.dots.mp3"), "name.with.dots");
  EXPECT_EQ(NameWithoutExtension("noext"), "noext");
  EXPECT_EQ(NameWithoutExtension(".hidden"), ".hidden");
  EXPECT_EQ(NameWithoutExtension(".hidden.mp3"), ".hidden");
  EXPECT_EQ(NameWithoutExtension("trailing."), "trailing");
  EXPECT_EQ(NameWithoutExtension(""), "");
  EXPECT_TRUE(IsMp3FileName("a.mp3"));
  EXPECT_TRUE(IsMp3FileName("B.MP3"));
  EXPECT_TRUE(IsMp3FileName("c.Mp3"));
  EXPECT_FALSE(IsMp3FileName("d.mp3.bak"));
  EXPECT_FALSE(IsMp3FileName("emp3"));
  EXPECT_FALSE(IsMp3FileName("f.ogg"));
}

TEST(Id3v1, DescriptionForAddedFiles) {
  TempDir dir;
  const auto path = [&](const char* name) { return (dir / name).string(); };
  writeFile(dir / "a.mp3", mp3With({"Song", "Artist", "", "", "", -1, 255, ' '}));
  writeFile(dir / "b.MP3", std::string(500, 'x'));  // no tag
  writeFile(dir / "c.ogg", mp3With({"Song", "Artist"}));
  writeFile(dir / "e.mp3", mp3With({"Song", ""}));
  writeFile(dir / "f.mp3", mp3With({"", ""}));
  writeFile(dir / "UP.MP3", mp3With({"Loud", "Band"}));
  writeFile(dir / "ru.mp3", mp3With({"\xCA\xF3\xEA\xF3\xF8\xEA\xE0", "\xC7\xE2\xE5\xF0\xE8"}));
  writeFile(dir / "a.b.c.mp3", std::string(10, 'x'));

  EXPECT_EQ(DescriptionForFile(path("a.mp3"), "", true), "Artist - Song");
  EXPECT_EQ(DescriptionForFile(path("a.mp3"), "", false), "a");
  EXPECT_EQ(DescriptionForFile(path("a.mp3"), "Given", true), "Given");
  EXPECT_EQ(DescriptionForFile(path("b.MP3"), "", true), "b");
  EXPECT_EQ(DescriptionForFile(path("c.ogg"), "", true), "c");  // tag never read
  EXPECT_EQ(DescriptionForFile(path("e.mp3"), "", true), " - Song");
  EXPECT_EQ(DescriptionForFile(path("f.mp3"), "", true), "f");
  EXPECT_EQ(DescriptionForFile(path("UP.MP3"), "", true), "Band - Loud");
  EXPECT_EQ(DescriptionForFile(path("ru.mp3"), "", true), "Звери - Кукушка");
  EXPECT_EQ(DescriptionForFile(path("a.b.c.mp3"), "", true), "a.b.c");
  EXPECT_EQ(DescriptionForFile(path("gone.mp3"), "", true), "gone");
  EXPECT_EQ(DescriptionForFile(path(".hidden"), "", true), ".hidden");
  EXPECT_EQ(DescriptionForFile(path("noext"), "", true), "noext");
  EXPECT_EQ(DescriptionForFile("D:\\Music\\win.mp3", "", true), "win");
}

}  // namespace
