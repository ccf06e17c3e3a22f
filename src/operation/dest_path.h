#pragma once
// Where a copied or moved entry lands: the destination root, a folder part chosen by the
// folder layout, and a file name that the renaming rules may rewrite. Everything here
// works on bytes of UTF-8 text; the characters it looks at are ASCII, so a multi-byte
// sequence is never split.
#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>

struct OperationParameters;
struct MediumProfile;

// A Windows path (from a playlist): a drive letter, ':' and a separator, or "\\\\". There
// '/' and '\\' both separate and the drive colon ends a scan; in every other path only
// '/' separates, and ':' and '\\' are ordinary characters of a name.
bool IsWindowsPath(const std::string& path);

// The nine characters that FAT and exFAT media refuse in a name.
bool IsInvalidNameChar(char c);
bool HasInvalidChars(const std::string& name);
std::string RemoveInvalidChars(const std::string& name);
// Keeps the length: each invalid character becomes `replacement`.
std::string ReplaceInvalidChars(const std::string& name, char replacement);

// Drops the decimal digits at the start of the name (what follows them stays).
std::string RemoveLeadingDigits(const std::string& name);

// The extension of a path, dot included: the text from the last '.' when no separator
// or drive colon (of a Windows path) follows it; otherwise empty.
std::string PathExtension(const std::string& path);
// The file name without its extension: the text after the last separator (or drive colon
// of a Windows path).
std::string PathBaseName(const std::string& path);
// The path up to and including its last separator (or drive colon of a Windows path);
// empty when it has none.
std::string PathDirectoryPart(const std::string& path);

// The last `count` folder names of the path's directory part ("Artist\Album" for
// C:\Music\Artist\Album\song.mp3 and 2). In a Windows path a drive colon or a doubled
// separator (the start of a network path) ends the scan; in a Linux path empty names
// ("//") do not count.
std::string PathTail(const std::string& path, int count);

// The longest file name (bytes) the program writes: the limit of Linux file systems.
constexpr std::size_t kMaxNameBytes = 255;

// name + ext cut to at most limit bytes: the name part is shortened, whole UTF-8
// characters only, and the extension kept.
std::string FitNameLength(const std::string& name, const std::string& ext,
                          std::size_t limit = kMaxNameBytes);

// The numbers MakeUniqueName has given in one run, by the path they were asked for.
struct UniqueNameState {
  std::unordered_map<std::string, long long> last;
};

// A free "base (n)ext" for path: nothing at all (file, folder, link, anything) stands at
// it. n starts at 1, or with a state after the last number given for the same path, so a
// run that numbers many files of one name looks at each number once. The name part is
// shortened (FitNameLength) so that the numbered name stays within the name limit. The
// search always ends: the empty text when no free name was found, or when the path
// holds a NUL byte.
std::string MakeUniqueName(const std::string& path, UniqueNameState* state = nullptr);
// The same search with another idea of "taken": the preview counts the files a run would
// have written by then as well as what the disk holds.
std::string MakeUniqueName(const std::string& path, UniqueNameState* state,
                           const std::function<bool(const std::string&)>& taken);

// Running numbers of one run: the next number and the width it is padded to.
struct NumberingState {
  int counter = 1;
  int width = 1;
};

// Decimal digits of a count of numbered entries (at least 1).
int NumberWidth(long long count);

// The renamed file name (without extension) of one entry; advances the counter when a
// number was put in front.
std::string RenameEntry(const std::string& originName, const std::string& descr,
                        const OperationParameters& params, NumberingState& numbering);

// Folder part of an entry by the folder layout (empty for "all files into the root"),
// with '/' separators; a Windows path's drive "C:" becomes the folder "C".
std::string FolderPartFor(const std::string& origin, const OperationParameters& params);

// The destination path of one entry under `root`, or the empty text when the computed
// path would not be a file below the root: ".." components (from a description or an
// origin that holds them) that climb above it, no file name at all, or a NUL byte. "."
// and ".." that stay below the root are resolved in the text ("a/./b/../c.mp3" is
// "a/c.mp3"). A file name longer than the name limit is shortened, keeping its
// extension (on a Linux medium to 255 bytes; with a Windows medium, every folder and file
// name is made one that medium accepts, cut to its UTF-16 measure). Callers treat the
// empty text as an unusable destination.
std::string EntryDestination(const std::string& root, const std::string& origin,
                             const std::string& descr, const OperationParameters& params,
                             NumberingState& numbering, const MediumProfile* medium = nullptr);

// True when `relative` (a path below some root) has no "." or ".." component and ends in
// a non-empty file name.
bool IsSafeRelativeFilePath(const std::string& relative);

// `relative` with its "." and ".." components resolved in the text and empty ones
// dropped; the empty text when a ".." climbs above its start, when it ends without a file
// name (in '/', "." or ".."), or when it holds a NUL byte.
std::string ResolveRelativeFilePath(const std::string& relative);
