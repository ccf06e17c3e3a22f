#pragma once
// Winamp's installation folder as Windows programs find it: the default value of the
// current user's key "Software\Winamp". On this system that registry is Wine's: the text
// file user.reg of the Wine prefix ($WINEPREFIX, else ~/.wine). The file is only read,
// never written, and the Windows path it holds is turned into a path of this system
// through the prefix's drives.
#include <optional>
#include <string>
#include <string_view>

// The Wine prefix in use: $WINEPREFIX when set and not empty, else $HOME/.wine. Empty when
// neither variable gives a folder.
std::string WinePrefix();

// The largest user.reg that is read; a real one holds well under a megabyte.
constexpr long long kMaxRegistryBytes = 32LL << 20;

// A quoted registry string of user.reg (starting at its opening quote) without its quotes
// and escapes: "\\" is one backslash, "\"" a quote, \n \r \t \a \b \e \f \v the control
// characters, \xHHHH (up to four hex digits) a Unicode character written as UTF-8, \ooo (up
// to three octal digits) a character by its code. Two \x escapes that are the halves of a
// UTF-16 surrogate pair give one character; a lone half gives U+FFFD. No value when the closing
// quote is missing.
std::optional<std::string> UnquoteRegistryString(std::string_view quoted);

// The default value ("@=...") of `key` (written with single backslashes, e.g.
// "Software\Winamp") in the registry file `userReg`. The section is found without regard to
// letter case; plain strings and expandable strings (str(2):) are read, any other kind of
// value counts as missing. Empty text when the file, the section or the value is missing,
// and when the file is no regular file or larger than kMaxRegistryBytes (logged).
std::string ReadRegistryDefaultValue(const std::string& userReg, std::string_view key);
// The same over the text of such a file.
std::string RegistryDefaultValueIn(std::string_view text, std::string_view key);

// A Windows path ("C:\Program Files\Winamp") as a path inside the Wine prefix: drive C is
// the prefix's drive_c, any other letter goes through dosdevices/<letter>: (where Wine keeps
// its drive links). Separators become '/'. Each name is looked up without regard to letter
// case when the exact spelling does not exist, as Windows programs write names in any case.
// Empty text for a path without a drive letter (a network or relative path) or an empty prefix.
std::string WindowsPathToLinux(const std::string& prefix, std::string_view windowsPath);

// The default value of "Software\Winamp" in the prefix's user.reg, as a path of this system;
// empty when the prefix, the key or the value is missing.
std::string WinampFolderFromRegistry(const std::string& prefix);
std::string WinampFolderFromRegistry();
