#pragma once
// The compiled-in string tables: raw slots with their escapes still in them. Code asks for
// texts through LangString (lang/lang.h); this is the storage behind it. There are two
// tables with the same slots, Russian and English; one of them is the current table.

constexpr int kStringTableSize = 500;

enum class TableLanguage { Russian, English };

// The raw text of slot `id` of the current table (escapes not converted), or null for an
// empty slot or an id outside 0 to 499.
const char* StringTableSlot(int id);
// The same lookup in one table, whichever is current.
const char* StringTableSlotIn(TableLanguage language, int id);
const char* RussianStringTableSlot(int id);
const char* EnglishStringTableSlot(int id);

// The current table: Russian until the program chooses (once, at start, before any text
// is put on a window).
TableLanguage CurrentTableLanguage();
void SetTableLanguage(TableLanguage language);

// The table for a user's environment. TAVEL_LANG "ru" or "en" (letter case ignored) wins;
// otherwise the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty names the
// locale, and a locale whose language is Russian ("ru", "ru_RU.UTF-8", "ru_UA@...") picks
// Russian, any other ("C", "en_GB.UTF-8", "de_DE") English. Nothing set at all: Russian,
// the program's own language. Null stands for an unset variable.
TableLanguage ChooseTableLanguage(const char* tavelLang, const char* lcAll, const char* lcMessages,
                                  const char* lang);
// ChooseTableLanguage on this process's environment.
TableLanguage TableLanguageFromEnvironment();
