#include "fs/path_text.h"

#include <gtest/gtest.h>

TEST(PathText, StripSeparatorsHonoursTheSelector) {
  EXPECT_EQ(StripTrailingSeparators("E:\\Music\\\\", kSepBoth), "E:\\Music");
  EXPECT_EQ(StripTrailingSeparators("\\\\\\", kSepBoth), "");
  EXPECT_EQ(StripTrailingSeparators("/music/a//", kSepBoth), "/music/a");
  EXPECT_EQ(StripTrailingSeparators("/music/a/\\/", kSepSlash), "/music/a/\\");
  EXPECT_EQ(StripTrailingSeparators("/music/a/\\", kSepBackslash), "/music/a/");
  EXPECT_EQ(StripTrailingSeparators("a//", 0), "a//");
  EXPECT_EQ(StripTrailingSeparators("", kSepBoth), "");
  EXPECT_EQ(StripLeadingSeparators("\\/\\song.mp3/", kSepBoth), "song.mp3/");
  EXPECT_EQ(StripLeadingSeparators("\\/song", kSepSlash), "\\/song");
  EXPECT_EQ(StripLeadingSeparators("//", kSepSlash), "");
  // Multi-byte names are left whole: only ASCII separators are ever removed.
  EXPECT_EQ(StripTrailingSeparators("/Музыка/", kSepBoth), "/Музыка");
}

TEST(PathText, EnsureTrailingCharAppendsOnlyWhenMissing) {
  EXPECT_EQ(EnsureTrailingChar("", '\\'), "\\");
  EXPECT_EQ(EnsureTrailingChar("/music", '/'), "/music/");
  EXPECT_EQ(EnsureTrailingChar("/music/", '/'), "/music/");
  EXPECT_EQ(EnsureTrailingChar("/music\\", '/'), "/music\\/");
}

TEST(PathText, CollapseSeparatorsFromTheStartPosition) {
  EXPECT_EQ(CollapseSeparators("\\\\server\\share", 3, kSepBoth), "\\\\server\\share");
  EXPECT_EQ(CollapseSeparators("C:\\a\\\\b", 3, kSepBoth), "C:\\a\\b");
  EXPECT_EQ(CollapseSeparators("//a///b\\/c", 1, kSepBoth), "/a/b\\c");  // a run keeps its first
  EXPECT_EQ(CollapseSeparators("//a///b\\/c", 1, kSepSlash), "/a/b\\/c");
  // The neighbour is judged in the given text, also across the start position.
  EXPECT_EQ(CollapseSeparators("a//b", 3, kSepBoth), "a/b");
  EXPECT_EQ(CollapseSeparators("a//", 10, kSepBoth), "a//");
  EXPECT_EQ(CollapseSeparators("//x", 0, kSepBoth), "/x");
  EXPECT_EQ(CollapseSeparators("", 3, kSepBoth), "");
}

TEST(PathText, JoinPathTrimsOnlyAtTheSeams) {
  EXPECT_EQ(JoinPath({"E:\\Music\\", "", "song.mp3"}, '\\', kSepBoth), "E:\\Music\\song.mp3");
  EXPECT_EQ(JoinPath({"E:", "Album", "a.mp3"}, '\\', kSepBoth), "E:\\Album\\a.mp3");
  EXPECT_EQ(JoinPath({"/media/stick/", "/Artist/Album/", "/01.mp3"}, '/', kSepBoth),
            "/media/stick/Artist/Album/01.mp3");
  EXPECT_EQ(JoinPath({"/", "a.mp3"}, '/', kSepBoth), "/a.mp3");
  EXPECT_EQ(JoinPath({"//server/share", "x/"}, '/', kSepBoth), "//server/share/x/");
  EXPECT_EQ(JoinPath({"Settings", "Exit confirm"}, '/', kSepSlash), "Settings/Exit confirm");
  EXPECT_EQ(JoinPath({"only\\"}, '\\', kSepBoth), "only\\");
  EXPECT_EQ(JoinPath({}, '/', kSepBoth), "");
  EXPECT_EQ(JoinPath({"", "a"}, '/', kSepBoth), "/a");
}

TEST(PathText, MasksMatchWithoutCaseAndStarDotStarTakesEverything) {
  EXPECT_TRUE(MatchesMask("Song.MP3", "*.mp3"));
  EXPECT_TRUE(MatchesMask("song.mp3", "*.MP3"));
  EXPECT_FALSE(MatchesMask("song.mp3.txt", "*.mp3"));
  EXPECT_TRUE(MatchesMask("README", "*.*"));
  EXPECT_TRUE(MatchesMask(".hidden", "*.*"));
  EXPECT_TRUE(MatchesMask("anything", ""));
  EXPECT_TRUE(MatchesMask("track", "track.*"));
  EXPECT_TRUE(MatchesMask("track.ogg", "track.*"));
  EXPECT_FALSE(MatchesMask("tracks", "track.*"));
  EXPECT_TRUE(MatchesMask("a1b.mp3", "a?b.*"));
  EXPECT_FALSE(MatchesMask("ab.mp3", "a?b.*"));
  // '?' stands for one character, not one byte.
  EXPECT_TRUE(MatchesMask("яb.mp3", "?b.mp3"));
  EXPECT_TRUE(MatchesMask("Песня.mp3", "П*.mp3"));
  EXPECT_TRUE(MatchesMask("aaaaab", "*a*b"));
  EXPECT_FALSE(MatchesMask("aaaaa", "*a*b"));
  EXPECT_TRUE(MatchesMask("x", "**"));
}

TEST(PathText, NameOrderFoldsAsciiCaseThenBytes) {
  EXPECT_TRUE(NameLess("a.mp3", "B.mp3"));
  EXPECT_TRUE(NameLess("B", "b"));  // equal when folded: byte order decides
  EXPECT_FALSE(NameLess("b", "B"));
  EXPECT_TRUE(NameLess("ab", "abc"));
  EXPECT_TRUE(NameLess(".x", "a"));
  EXPECT_TRUE(NameLess("z", "я"));
  EXPECT_FALSE(NameLess("same", "same"));
}

TEST(PathText, ParseLooseIntKeepsDigitsAndMinus) {
  std::int32_t v = 99;
  EXPECT_EQ(ParseLooseInt("700 MB", v), 0);
  EXPECT_EQ(v, 700);
  EXPECT_EQ(ParseLooseInt(" -15 ", v), 0);
  EXPECT_EQ(v, -15);
  EXPECT_EQ(ParseLooseInt("1 000", v), 0);
  EXPECT_EQ(v, 1000);
  EXPECT_EQ(ParseLooseInt("2147483647", v), 0);
  EXPECT_EQ(v, 2147483647);
  EXPECT_EQ(ParseLooseInt("-2147483648", v), 0);
  EXPECT_EQ(v, INT32_MIN);
  for (const char* bad : {"", "MB", "1-2", "--5", "-", "2147483648", "-2147483649", "5-"}) {
    v = 42;
    EXPECT_EQ(ParseLooseInt(bad, v), 255) << bad;
    EXPECT_EQ(v, 0) << bad;
  }
}
