#pragma once
// Texts inside the program are UTF-8. Bytes from outside (playlists written on Windows,
// ID3v1 tags) may instead be Windows-1251, the usual single-byte code page of Russian
// texts; these routines tell the two apart and convert. The byte helpers below work on
// UTF-8 without ever splitting a multi-byte sequence, so code that trims, cuts or
// replaces bytes (playlist reading, the renaming rules) cannot produce broken text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// Every byte converted; the one byte Windows-1251 leaves unassigned (0x98) becomes
// U+0098, so a conversion back gives the original bytes.
std::string Cp1251ToUtf8(std::string_view bytes);

// Characters with no Windows-1251 code become `replacement`; malformed bytes too.
std::string Utf8ToCp1251(std::string_view text, char replacement = '?');

// The text itself when it is valid UTF-8, otherwise read as Windows-1251 and converted.
// The result is always valid UTF-8.
std::string BytesToUtf8(std::string_view bytes);

// The bytes without a leading UTF-8 byte-order mark (EF BB BF).
std::string_view SkipUtf8Bom(std::string_view bytes);

// Length of the character starting at `pos`: 1 to 4 for a well-formed sequence, 1 for a
// byte that starts none (a stray or truncated byte then counts as a character of its own).
// 0 when `pos` is at or past the end.
std::size_t Utf8CharLength(std::string_view text, std::size_t pos);

// The code point of the well-formed character starting at `pos` and its length in bytes;
// 0 (and cp untouched) when no well-formed character starts there.
std::size_t Utf8Decode(std::string_view text, std::size_t pos, std::uint32_t& cp);
// Appends the UTF-8 bytes of the code point cp.
void AppendUtf8(std::string& out, std::uint32_t cp);

// Number of characters in the sense of Utf8CharLength.
std::size_t Utf8CharCount(std::string_view text);

// The largest character boundary not above `pos` (the text's size when `pos` is past it).
std::size_t Utf8BoundaryAtOrBefore(std::string_view text, std::size_t pos);

// The longest leading part of `text` of at most `maxBytes` bytes that ends on a
// character boundary.
std::string_view Utf8CutToBytes(std::string_view text, std::size_t maxBytes);

// The text without its leading and trailing bytes of code 32 and below (blanks and control
// characters). Such bytes never occur inside a UTF-8 multi-byte sequence.
std::string_view TrimBlanks(std::string_view text);
std::string_view TrimBlanksLeft(std::string_view text);
std::string_view TrimBlanksRight(std::string_view text);
// The text without its leading and trailing spaces (code 32 only).
std::string_view TrimSpaces(std::string_view text);

// The text without any control character: C0 (NUL, tab, line ends ...), DEL and the C1
// range U+0080-U+009F. Descriptions pass through it, so a title never carries a byte that
// would cut a file name short or split a playlist line.
std::string RemoveControlChars(std::string_view text);

// Comparisons that fold only the ASCII letters A-Z / a-z.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool EndsWithIgnoreAsciiCase(std::string_view text, std::string_view suffix);
