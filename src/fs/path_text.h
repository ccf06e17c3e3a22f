#pragma once
// Path texts: separator trimming, joining and collapsing, file masks and the lenient
// integer reader. Texts are UTF-8; every rule works on bytes and only ever touches the
// ASCII separators '/' and '\', so a multi-byte character is never split.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Which separators a trimming routine counts: bit 1 '/', bit 2 '\'.
constexpr int kSepSlash = 1;
constexpr int kSepBackslash = 2;
constexpr int kSepBoth = kSepSlash | kSepBackslash;

// Whether c is one of the separators the selector names.
bool IsSeparator(char c, int selector);

// text without all trailing (leading) separators of the selected kinds.
std::string StripTrailingSeparators(std::string_view text, int selector);
std::string StripLeadingSeparators(std::string_view text, int selector);

// text with ch appended unless it already ends with ch; ch alone for an empty text.
std::string EnsureTrailingChar(std::string_view text, char ch);

// Runs of selected separators shortened to one from position start (counted from 1) on;
// the first start - 1 bytes are kept as they are, so start 3 keeps the "\\" of a network
// path.
std::string CollapseSeparators(std::string_view text, int start, int selector);

// One path from parts: every part but the last loses its trailing separators and gets
// separator appended, every part but the first loses its leading separators. An empty
// middle part adds nothing and a root ending in a separator is not doubled.
std::string JoinPath(const std::vector<std::string>& parts, char separator, int selector);

// Whether name matches a file mask of '*' and '?' ('?' is one character, a whole UTF-8
// sequence). ASCII letters match without regard to case; "*.*" and an empty mask match
// every name, and a mask ending in ".*" also matches names without an extension.
bool MatchesMask(std::string_view name, std::string_view mask);

// ASCII letters folded to one case, ties broken by byte order: the order of every
// directory listing.
bool NameLess(std::string_view a, std::string_view b);

// Whether text holds a NUL byte. No file name can: a system call would see the text cut
// at the NUL, i.e. another file, so the file-system routines refuse such a path.
bool HoldsNul(std::string_view text);

// Reads a number from text keeping only '-' and '0'..'9' in order ("700 MB" gives 700).
// Returns 0 and sets value on success; returns 255 and sets value to 0 when nothing is
// left or what is left is not one signed 32-bit decimal number ("1-2", "--5").
int ParseLooseInt(std::string_view text, std::int32_t& value);

// The folder part of a path ("." without one, "/" for a file at the root) and its last name.
std::string FolderOfPath(const std::string& path);
std::string NameOfPath(const std::string& path);
