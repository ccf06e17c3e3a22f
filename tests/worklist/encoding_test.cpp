#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "worklist/text_encoding.h"

namespace {

// "Привет, Ёжик №1" as Windows-1251 bytes.
const std::string kPrivet1251 = "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6\xE8\xEA \xB9\x31";
const std::string kPrivetUtf8 = "Привет, Ёжик №1";

// The system's converter, as an independent reference for the table.
std::string iconvCp1251(const std::string& in) {
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<no iconv>";
  std::string src = in;
  std::string out(in.size() * 4, '\0');
  char* ip = src.data();
  char* op = out.data();
  size_t il = src.size(), ol = out.size();
  const size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1)) return "<unmapped>";
  out.resize(out.size() - ol);
  return out;
}

TEST(TextEncoding, Cp1251TableAgreesWithSystemConverterForEveryByte) {
  for (int b = 0x80; b <= 0xFF; ++b) {
    if (b == 0x98) continue;  // unassigned in the code page
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Cp1251ToUtf8(one), iconvCp1251(one)) << "byte " << std::hex << b;
  }
  EXPECT_EQ(Cp1251ToUtf8(kPrivet1251), kPrivetUtf8);
  EXPECT_EQ(Cp1251ToUtf8("\x88\x96\x98"), "€–\xC2\x98");
  EXPECT_EQ(Cp1251ToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(TextEncoding, Cp1251RoundTripsAndUnmappableCharactersAreReplaced) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  const std::string utf8 = Cp1251ToUtf8(all);
  EXPECT_TRUE(IsValidUtf8(utf8));
  EXPECT_EQ(Utf8ToCp1251(utf8), all);
  EXPECT_EQ(Utf8ToCp1251(kPrivetUtf8), kPrivet1251);
  EXPECT_EQ(Utf8ToCp1251("日本 ü 😀"), "?? ? ?");
  EXPECT_EQ(Utf8ToCp1251("a\xFF"
                         "b",
                         '_'),
            "a_b");
  EXPECT_EQ(Utf8ToCp1251("\xD0"), "?");  // truncated sequence at the end
}

TEST(TextEncoding, Utf8ValidationRejectsEveryMalformedForm) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("plain ascii"));
  EXPECT_TRUE(IsValidUtf8(kPrivetUtf8));
  EXPECT_TRUE(IsValidUtf8("€ 😀 \xF4\x8F\xBF\xBF"));  // U+10FFFF is the last code point
  EXPECT_TRUE(IsValidUtf8(std::string("\0", 1)));
  EXPECT_FALSE(IsValidUtf8(kPrivet1251));
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));          // overlong NUL
  EXPECT_FALSE(IsValidUtf8("\xC1\xBF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF"));      // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xF0\x80\x80\xAF"));  // overlong '/'
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // above U+10FFFF
  EXPECT_FALSE(IsValidUtf8("\xF5\x80\x80\x80"));
  EXPECT_FALSE(IsValidUtf8("abc\xD0"));   // truncated at the end
  EXPECT_FALSE(IsValidUtf8("\xE2\x82"));  // truncated three-byte
  EXPECT_FALSE(IsValidUtf8("a\x80z"));    // stray continuation
  EXPECT_FALSE(IsValidUtf8("\xD0\x41"));  // lead followed by ASCII
}

TEST(TextEncoding, BytesToUtf8KeepsUtf8AndConvertsTheRest) {
  EXPECT_EQ(BytesToUtf8(kPrivetUtf8), kPrivetUtf8);
  EXPECT_EQ(BytesToUtf8(kPrivet1251), kPrivetUtf8);
  // One bad byte makes the whole text Windows-1251: "Ð" + "ñ".
  EXPECT_EQ(BytesToUtf8("\xD0\xF1"), "Рс");
  EXPECT_EQ(BytesToUtf8(""), "");
}

TEST(TextEncoding, BomIsSkippedOnlyWhenCompleteAndAtTheStart) {
  EXPECT_EQ(SkipUtf8Bom("\xEF\xBB\xBF#EXTM3U"), "#EXTM3U");
  EXPECT_EQ(SkipUtf8Bom("\xEF\xBB\xBF"), "");
  EXPECT_EQ(SkipUtf8Bom("\xEF\xBB"), "\xEF\xBB");
  EXPECT_EQ(SkipUtf8Bom("x\xEF\xBB\xBF"), "x\xEF\xBB\xBF");
  EXPECT_EQ(SkipUtf8Bom("\xEF\xBB\xBF\xEF\xBB\xBF"), "\xEF\xBB\xBF");  // only one
}

TEST(TextEncoding, CutsNeverSplitACharacter) {
  const std::string s = "aб€😀z";  // 1 + 2 + 3 + 4 + 1 bytes
  const std::size_t expected[] = {0, 1, 1, 3, 3, 3, 6, 6, 6, 6, 10, 11, 11};
  for (std::size_t max = 0; max < std::size(expected); ++max) {
    const std::string_view cut = Utf8CutToBytes(s, max);
    EXPECT_EQ(cut.size(), expected[max]) << "limit " << max;
    EXPECT_TRUE(IsValidUtf8(cut)) << "limit " << max;
  }
  EXPECT_EQ(Utf8CharCount(s), 5u);
  EXPECT_EQ(Utf8CharLength(s, 0), 1u);
  EXPECT_EQ(Utf8CharLength(s, 1), 2u);
  EXPECT_EQ(Utf8CharLength(s, 3), 3u);
  EXPECT_EQ(Utf8CharLength(s, 6), 4u);
  EXPECT_EQ(Utf8CharLength(s, 11), 0u);
}

TEST(TextEncoding, MalformedBytesCountAsCharactersOfTheirOwn) {
  // Stray continuation bytes and a truncated sequence stand alone: a cut may fall
  // between them, and counting moves on one byte at a time.
  const std::string s =
      "a\x80\x80\xE2\x82"
      "b";
  EXPECT_EQ(Utf8CharCount(s), 6u);
  for (std::size_t max = 0; max <= s.size(); ++max) {
    EXPECT_EQ(Utf8CutToBytes(s, max).size(), max) << "limit " << max;
  }
  // A continuation byte right after a complete character is stray too.
  const std::string t = "б\x80";
  EXPECT_EQ(Utf8BoundaryAtOrBefore(t, 2), 2u);
  EXPECT_EQ(Utf8BoundaryAtOrBefore(t, 1), 0u);
  EXPECT_EQ(Utf8BoundaryAtOrBefore(t, 99), 3u);
  // Windows-1251 Cyrillic is all single bytes.
  EXPECT_EQ(Utf8CharCount(kPrivet1251), kPrivet1251.size());
}

TEST(TextEncoding, TrimRemovesBlanksAndControlsButNotOtherCharacters) {
  EXPECT_EQ(TrimBlanks(std::string(" \t\r\n\0x y\x1F ", 10)), "x y");
  EXPECT_EQ(TrimBlanks("   "), "");
  EXPECT_EQ(TrimBlanks(""), "");
  EXPECT_EQ(TrimBlanks("\xC2\xA0я\xC2\xA0"), "\xC2\xA0я\xC2\xA0");  // no-break space stays
  EXPECT_EQ(TrimBlanksLeft("  a  "), "a  ");
  EXPECT_EQ(TrimBlanksRight("  a  "), "  a");
}

TEST(TextEncoding, CaseFoldingCoversAsciiLettersOnly) {
  EXPECT_TRUE(EqualsIgnoreAsciiCase("Song.MP3", "song.mp3"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("Я", "я"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("ab", "abc"));
  EXPECT_FALSE(EqualsIgnoreAsciiCase("[", "{"));  // '[' + 32 == '{', not a letter
  EXPECT_TRUE(EndsWithIgnoreAsciiCase("a.Mp3", ".mP3"));
  EXPECT_FALSE(EndsWithIgnoreAsciiCase("mp3", ".mp3"));
}

}  // namespace
