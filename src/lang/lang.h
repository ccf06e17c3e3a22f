#pragma once
// Texts by id and the program's two value formats. Every user-visible text comes from the
// string table; code never spells a Russian text itself.
#include <cstdint>
#include <string>

#include "logs/values.h"

// The text of slot `id` with its escapes converted: backslash-n (either letter case) to
// CR LF, then backslash-t to a tab. An id outside 0 to 499 or an empty slot gives "".
std::string LangString(int id);
// The escape conversion of LangString on any text.
std::string ConvertEscapes(const std::string& raw);

// LangString(id) with %1, %2, ... replaced by the texts of the values, one value after the
// other over the growing text: all occurrences of "%<i>" are replaced for value i before
// value i + 1 is looked at. So a value whose text holds "%2" is filled again by value 2,
// and "%10" is hit by value 1 (the table only uses %1 to %4). A placeholder without a
// value stays; a value without a placeholder is dropped.
// Value texts: integers in decimal, booleans "true"/"false", a character as itself,
// floating-point numbers in general form (15 significant digits, the user's decimal
// separator), texts as they are, a pointer as 8 upper-case hexadecimal digits and "h".
std::string LangFormat(int id, const TValues& values);
// The substitution alone, for a text that does not come from the table.
std::string FormatPlaceholders(std::string text, const TValues& values);

// Size units used by SizeToText. Until LoadSizeUnits runs they are "", " KB", " MB" and
// " GB"; LoadSizeUnits (called by the start-up's LoadLanguage) makes each one space
// followed by texts 20 to 23, so the byte unit becomes a single space.
void LoadSizeUnits();
void ResetSizeUnits();  // back to the built-in units; for tests

// A byte count with decimal units: below 1000 in bytes (negative counts too), then
// kilobytes, megabytes and gigabytes (powers of ten) with one decimal that is truncated,
// never rounded, and shown only when it is not zero ("1 КБ", "1,5 КБ"). Nothing above
// gigabytes: 1 234 567 890 123 bytes is "1234.5 ГБ".
std::string SizeToText(std::int64_t bytes);

// A play length: "m:ss" below an hour, "h:m:ss" from an hour on (minutes without a
// leading zero, seconds always two digits): 0:00, 59:59, 1:0:00, 10:0:00. A negative
// length gives the same text with a leading minus sign.
std::string SecondsToText(std::int32_t seconds);
