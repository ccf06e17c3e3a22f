#include <cstdlib>
#include <string>

#include "lang/string_table.h"

namespace {

TableLanguage g_language = TableLanguage::Russian;

bool isSet(const char* value) {
  return value && *value;
}

std::string lowerAscii(const char* text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// The language part of a locale name: what stands before '_', '.' or '@'.
bool isRussianLocale(const char* locale) {
  const std::string s = lowerAscii(locale);
  const std::string language = s.substr(0, s.find_first_of("_.@"));
  return language == "ru";
}

}  // namespace

const char* StringTableSlotIn(TableLanguage language, int id) {
  return language == TableLanguage::English ? EnglishStringTableSlot(id)
                                            : RussianStringTableSlot(id);
}

const char* StringTableSlot(int id) {
  return StringTableSlotIn(g_language, id);
}

TableLanguage CurrentTableLanguage() {
  return g_language;
}

void SetTableLanguage(TableLanguage language) {
  g_language = language;
}

TableLanguage ChooseTableLanguage(const char* tavelLang, const char* lcAll, const char* lcMessages,
                                  const char* lang) {
  if (isSet(tavelLang)) {
    const std::string wanted = lowerAscii(tavelLang);
    if (wanted == "ru") return TableLanguage::Russian;
    if (wanted == "en") return TableLanguage::English;
    // Any other value is not a choice; the locale decides as if it were unset.
  }
  for (const char* locale : {lcAll, lcMessages, lang})
    if (isSet(locale))
      return isRussianLocale(locale) ? TableLanguage::Russian : TableLanguage::English;
  return TableLanguage::Russian;
}

TableLanguage TableLanguageFromEnvironment() {
  return ChooseTableLanguage(std::getenv("TAVEL_LANG"), std::getenv("LC_ALL"),
                             std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}
