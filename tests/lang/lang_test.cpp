#include "lang/lang.h"

#include <gtest/gtest.h>

#include <QString>
#include <climits>

#include "lang/string_table.h"

namespace {

// Pins the decimal separator and the size units for one test and puts them back after.
class Formats : public ::testing::Test {
 protected:
  void TearDown() override {
    SetDecimalSeparator(0);
    ResetSizeUnits();
  }
};

}  // namespace

TEST(StringTable, LookupIsEmptyOutsideTheTableAndForEmptySlots) {
  EXPECT_EQ(LangString(-1), "");
  EXPECT_EQ(LangString(INT_MIN), "");
  EXPECT_EQ(LangString(499), "");
  EXPECT_EQ(LangString(500), "");
  EXPECT_EQ(LangString(0), "");
  EXPECT_EQ(LangString(20), "");  // the byte unit's text is empty on purpose
  EXPECT_EQ(LangString(1), "Vo Tavel");
  EXPECT_EQ(LangString(492), "Воспроизведение \"%1\"");
}

TEST(StringTable, SlotsAreValidUtf8WithTheirEscapesAndNoRawControlCharacters) {
  // Slots 370-429 and 458-479 were empty in the authored table and take the texts added
  // since; the authored slots are counted apart from them.
  const auto added = [](int id) { return (id >= 370 && id <= 429) || (id >= 458 && id <= 479); };
  int filled = 0;
  for (int id = 0; id < kStringTableSize; ++id) {
    const char* raw = StringTableSlot(id);
    if (!raw) continue;
    if (!added(id)) ++filled;
    const std::string s(raw);
    EXPECT_FALSE(s.empty()) << id;
    const QString decoded = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    EXPECT_EQ(decoded.toUtf8().toStdString(), s) << "slot " << id << " is not valid UTF-8";
    for (unsigned char c : s)
      EXPECT_GE(c, 0x20) << "slot " << id << " holds a raw control character";
  }
  EXPECT_EQ(filled, 209);
  EXPECT_EQ(StringTableSlot(kStringTableSize), nullptr);
  EXPECT_STREQ(StringTableSlot(237), "Авто: свободное место\\nАвто: все место\\nВручную");
}

namespace {

// What a translation must keep of a slot: its placeholders in the order they stand, its
// line-break and tab escapes (either letter case), the item separators of a filter, and
// the count of double quotes (the names the texts put in quotes).
std::string slotShape(const std::string& s) {
  std::string shape;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9') {
      shape += s.substr(i, 2);
      ++i;
    } else if (s[i] == '\\' && i + 1 < s.size()) {
      const char e = static_cast<char>(s[i + 1] | 0x20);
      if (e == 'n' || e == 't') shape += std::string("\\") + e;
      ++i;
    } else if (s[i] == '|' || s[i] == '"') {
      shape += s[i];
    }
  }
  return shape;
}

// Puts the current table back after a test that changes it.
class Tables : public ::testing::Test {
 protected:
  void TearDown() override { SetTableLanguage(TableLanguage::Russian); }
};

}  // namespace

TEST(StringTable, EnglishTableFillsExactlyTheRussianSlotsWithTheSamePlaceholdersAndEscapes) {
  int filled = 0;
  for (int id = 0; id < kStringTableSize; ++id) {
    const char* ru = RussianStringTableSlot(id);
    const char* en = EnglishStringTableSlot(id);
    ASSERT_EQ(ru == nullptr, en == nullptr) << "slot " << id << " is filled in one table only";
    if (!ru) continue;
    ++filled;
    const std::string e(en);
    EXPECT_EQ(slotShape(e), slotShape(ru)) << "slot " << id << ": " << e;
    EXPECT_FALSE(e.empty()) << id;
    // English texts are plain text: no Cyrillic letters (UTF-8 lead bytes 0xD0-0xD3) and no
    // raw control characters.
    for (unsigned char c : e) {
      EXPECT_FALSE(c >= 0xD0 && c <= 0xD3) << "slot " << id << " holds Cyrillic: " << e;
      EXPECT_GE(c, 0x20) << "slot " << id;
    }
  }
  EXPECT_GE(filled, 209);
  EXPECT_EQ(EnglishStringTableSlot(-1), nullptr);
  EXPECT_EQ(EnglishStringTableSlot(kStringTableSize), nullptr);
  EXPECT_STREQ(EnglishStringTableSlot(238), "Copy\\nMove\\nDelete");
}

TEST_F(Tables, LookupAndFormattingFollowTheCurrentTable) {
  EXPECT_EQ(CurrentTableLanguage(), TableLanguage::Russian);
  EXPECT_EQ(LangString(62), "Выход");
  SetTableLanguage(TableLanguage::English);
  EXPECT_EQ(LangString(62), "Exit");
  EXPECT_EQ(LangFormat(142, {std::string("/m/a \"b\"")}), "Scanning \"/m/a \"b\"\" ...");
  EXPECT_EQ(LangString(353), "In the work list: %1\r\nContinue?");
  EXPECT_EQ(StringTableSlotIn(TableLanguage::Russian, 62), std::string("Выход"));
  LoadSizeUnits();
  EXPECT_EQ(SizeToText(1500), "1" + std::string(1, DecimalSeparator()) + "5 KB");
  ResetSizeUnits();
  SetTableLanguage(TableLanguage::Russian);
  EXPECT_EQ(LangString(62), "Выход");
}

TEST(TableLanguageChoice, OverrideThenTheFirstSetLocaleVariableThenRussian) {
  using L = TableLanguage;
  // Nothing set, or only empty values: the program's own language.
  EXPECT_EQ(ChooseTableLanguage(nullptr, nullptr, nullptr, nullptr), L::Russian);
  EXPECT_EQ(ChooseTableLanguage("", "", "", ""), L::Russian);
  // LANG alone.
  EXPECT_EQ(ChooseTableLanguage(nullptr, nullptr, nullptr, "en_US.UTF-8"), L::English);
  EXPECT_EQ(ChooseTableLanguage(nullptr, nullptr, nullptr, "ru_RU.UTF-8"), L::Russian);
  EXPECT_EQ(ChooseTableLanguage(nullptr, nullptr, nullptr, "RU_ua@euro"), L::Russian);
  EXPECT_EQ(ChooseTableLanguage(nullptr, nullptr, nullptr, "ru"), L::Russian);
  EXPECT_EQ(ChooseTableLanguage(nullptr, nullptr, nullptr, "C"), L::English);
  EXPECT_EQ(ChooseTableLanguage(nullptr, nullptr, nullptr, "C.UTF-8"), L::English);
  EXPECT_EQ(ChooseTableLanguage(nullptr, nullptr, nullptr, "de_DE"), L::English);
  // "rue" and "run" are not Russian: only the language part before _ . @ counts.
  EXPECT_EQ(ChooseTableLanguage(nullptr, nullptr, nullptr, "rue_UA"), L::English);
  // LC_ALL before LC_MESSAGES before LANG; an empty one is skipped.
  EXPECT_EQ(ChooseTableLanguage(nullptr, "en_GB.UTF-8", "ru_RU", "ru_RU"), L::English);
  EXPECT_EQ(ChooseTableLanguage(nullptr, "", "ru_RU.UTF-8", "en_US"), L::Russian);
  EXPECT_EQ(ChooseTableLanguage(nullptr, nullptr, "fr_FR", "ru_RU"), L::English);
  // TAVEL_LANG wins in either letter case; another value is no choice at all.
  EXPECT_EQ(ChooseTableLanguage("en", "ru_RU", "ru_RU", "ru_RU"), L::English);
  EXPECT_EQ(ChooseTableLanguage("RU", "en_US", nullptr, nullptr), L::Russian);
  EXPECT_EQ(ChooseTableLanguage("de", nullptr, nullptr, "ru_RU"), L::Russian);
  EXPECT_EQ(ChooseTableLanguage("de", nullptr, nullptr, "en_US"), L::English);
}

TEST(StringTable, EscapesBecomeLineBreaksAndTabsInEitherLetterCase) {
  EXPECT_EQ(LangString(237), "Авто: свободное место\r\nАвто: все место\r\nВручную");
  EXPECT_EQ(LangString(353), "В рабочем списке: %1\r\nПродолжить?");
  EXPECT_EQ(LangString(18),
            "Некорректные входные рабочие данные (ошибка). \r\nПричина: %1\r\nПожалуйста сохраните "
            "эти данные и "
            "обратитесь к разработчикам программы.");
  // The conversion itself, on texts that do not come from the table.
  EXPECT_EQ(ConvertEscapes("a\\nb\\Nc\\td\\Te"), "a\r\nb\r\nc\td\te");
  EXPECT_EQ(ConvertEscapes("\\n\\n"), "\r\n\r\n");
  EXPECT_EQ(ConvertEscapes("end\\"), "end\\");    // a lone backslash stays
  EXPECT_EQ(ConvertEscapes("\\x \\"), "\\x \\");  // other escapes stay
  EXPECT_EQ(ConvertEscapes("\\\\n"), "\\\r\n");   // no escape for the backslash itself
}

TEST(StringTable, UnexpectedErrorTextCarriesTheSupportContactAndAllFourPlaceholders) {
  const std::string t = LangString(8);
  EXPECT_EQ(t,
            "В программе произошла ошибка.\r\nОтладочная информация записана в файл \"%4\". "
            "Пожалуйста обратитесь к "
            "разработчикам <support@tavel.example> и передайте им этот файл. Это поможет избежать "
            "появления ошибки в "
            "дальнейшем.\r\n\r\n  Версия программы: %1\r\n  %2 [%3]\r\n\r\nПродолжить выполнение "
            "программы?");
  EXPECT_EQ(LangString(7), "Vo Tavel исключение");
}

TEST(LangFormat, FillsPlaceholdersByKindOfValue) {
  EXPECT_EQ(LangFormat(139, {std::string("3"), std::string("10"), std::string("превышение"),
                             std::string("5 МБ")}),
            "3 / 10   превышение 5 МБ");
  EXPECT_EQ(FormatPlaceholders("%1|%2|%3|%4", {42, true, 'x', false}), "42|true|x|false");
  EXPECT_EQ(FormatPlaceholders("%1 %2", {TValue::pointer(0xABCDEF), TValue::shortString("s")}),
            "00ABCDEFh s");
  EXPECT_EQ(FormatPlaceholders("%1", {TValue::pointer(0x1234567890ull)}), "34567890h");
  EXPECT_EQ(FormatPlaceholders("%1 %2", {-7, "c-string"}), "-7 c-string");
}

TEST(LangFormat, FloatsUseShortestGeneralFormAndTheUsersSeparator) {
  SetDecimalSeparator(',');
  EXPECT_EQ(FormatPlaceholders("%1", {1.5}), "1,5");
  EXPECT_EQ(FormatPlaceholders("%1", {2.0}), "2");
  EXPECT_EQ(FormatPlaceholders("%1", {0.1 + 0.2}),
            "0,3");  // 15 significant digits hide the binary tail
  SetDecimalSeparator('.');
  EXPECT_EQ(FormatPlaceholders("%1", {1234567.25}), "1234567.25");
  SetDecimalSeparator(0);
}

TEST(LangFormat, SubstitutionIsSequentialOverTheGrowingText) {
  // Every occurrence is replaced.
  EXPECT_EQ(FormatPlaceholders("%1-%1", {"a"}), "a-a");
  // A value text holding a later placeholder is filled again by that later value...
  EXPECT_EQ(FormatPlaceholders("[%1]", {"%2", "two"}), "[two]");
  // ...but not by an earlier one, and a value never re-fills itself.
  EXPECT_EQ(FormatPlaceholders("[%2]", {"one", "%1"}), "[%1]");
  EXPECT_EQ(FormatPlaceholders("%1", {"%1%1"}), "%1%1");
  // %1 also hits the start of %10.
  EXPECT_EQ(FormatPlaceholders("%10", {"x"}), "x0");
  // Placeholders without a value stay; values without a placeholder are dropped.
  EXPECT_EQ(FormatPlaceholders("%1 %3", {"a", "b"}), "a %3");
  EXPECT_EQ(LangFormat(143, {"unused"}), "Завершено");
  // No values: the text as it is, escapes converted.
  EXPECT_EQ(LangFormat(353, {}), "В рабочем списке: %1\r\nПродолжить?");
  EXPECT_EQ(LangFormat(500, {"x"}), "");
  EXPECT_EQ(FormatPlaceholders("100%", {"x"}), "100%");
}

TEST_F(Formats, SizeToTextBeforeTheTableIsLoaded) {
  SetDecimalSeparator('.');
  EXPECT_EQ(SizeToText(5), "5");
  EXPECT_EQ(SizeToText(2048), "2 KB");
  EXPECT_EQ(SizeToText(2500000), "2.5 MB");
  EXPECT_EQ(SizeToText(3000000000LL), "3 GB");
}

TEST_F(Formats, SizeToTextThresholdsAndTruncationWithTheTablesUnits) {
  LoadSizeUnits();
  SetDecimalSeparator('.');
  EXPECT_EQ(SizeToText(0), "0 ");
  EXPECT_EQ(SizeToText(999), "999 ");
  EXPECT_EQ(SizeToText(-5), "-5 ");
  EXPECT_EQ(SizeToText(-5000000), "-5000000 ");  // negative counts never get a unit
  EXPECT_EQ(SizeToText(1000), "1 КБ");
  EXPECT_EQ(SizeToText(1099), "1 КБ");  // 1.099 truncated, not rounded
  EXPECT_EQ(SizeToText(1536), "1.5 КБ");
  EXPECT_EQ(SizeToText(999999), "999.9 КБ");
  EXPECT_EQ(SizeToText(1000000), "1 МБ");
  EXPECT_EQ(SizeToText(1999999), "1.9 МБ");
  EXPECT_EQ(SizeToText(999999999), "999.9 МБ");
  EXPECT_EQ(SizeToText(1000000000), "1 ГБ");
  EXPECT_EQ(SizeToText(1234567890123LL), "1234.5 ГБ");
  EXPECT_EQ(SizeToText(LLONG_MAX), "9223372036.8 ГБ");
  EXPECT_EQ(SizeToText(LLONG_MIN), "-9223372036854775808 ");
  SetDecimalSeparator(',');
  EXPECT_EQ(SizeToText(1536), "1,5 КБ");
  ResetSizeUnits();
  EXPECT_EQ(SizeToText(1536), "1,5 KB");
}

TEST(SecondsToText, MinutesAndHoursWithoutLeadingZerosSecondsWithTwoDigits) {
  EXPECT_EQ(SecondsToText(0), "0:00");
  EXPECT_EQ(SecondsToText(9), "0:09");
  EXPECT_EQ(SecondsToText(59), "0:59");
  EXPECT_EQ(SecondsToText(60), "1:00");
  EXPECT_EQ(SecondsToText(3599), "59:59");
  EXPECT_EQ(SecondsToText(3600), "1:0:00");
  EXPECT_EQ(SecondsToText(3725), "1:2:05");
  EXPECT_EQ(SecondsToText(36000), "10:0:00");
  EXPECT_EQ(SecondsToText(INT_MAX), "596523:14:07");
}

TEST(SecondsToText, NegativeLengthsKeepTheSignInFront) {
  EXPECT_EQ(SecondsToText(-1), "-0:01");
  EXPECT_EQ(SecondsToText(-3725), "-1:2:05");
  EXPECT_EQ(SecondsToText(INT_MIN), "-596523:14:08");
}
