#include "operation/dest_path.h"

#include <cctype>
#include <cstring>
#include <functional>
#include <vector>

#include "fs/file_tree.h"
#include "fs/path_text.h"
#include "operation/medium_names.h"
#include "operation/operation_parameters.h"
#include "worklist/text_encoding.h"

namespace {

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}
// In a Windows path both separators and the drive colon end a name; in a Linux path only
// '/' does, and ':' and '\' are characters of the name.
bool endsName(char c, bool windows) {
  return windows ? isSeparator(c) || c == ':' : c == '/';
}

// The last `count` folder names of a Linux path's directory part; empty names (from "//")
// do not count.
std::string linuxPathTail(const std::string& path, int count) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::string();
  std::size_t end = slash;
  std::size_t start = end;
  int names = 0;
  while (start > 0 && names < count) {
    std::size_t i = start;
    while (i > 0 && path[i - 1] == '/') --i;  // the separators before this name
    if (i == 0) break;
    std::size_t b = i;
    while (b > 0 && path[b - 1] != '/') --b;
    if (names == 0) end = i;
    start = b;
    ++names;
  }
  if (names == 0) return std::string();
  // Every folder up to the start taken: the path keeps its leading separator, as the
  // scan of a Windows path keeps whatever stands before the first folder.
  if (names < count && path.find_first_not_of('/') == start) start = 0;
  return path.substr(start, end - start);
}

// Enough for any real folder; a search that finds nothing free in so many numbers ends.
constexpr long long kMaxUniqueTries = 100000;

}  // namespace

bool IsInvalidNameChar(char c) {
  return c != 0 && std::strchr("\"*/:<>?\\|", c) != nullptr;
}

bool HasInvalidChars(const std::string& name) {
  for (char c : name)
    if (IsInvalidNameChar(c)) return true;
  return false;
}

std::string RemoveInvalidChars(const std::string& name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name)
    if (!IsInvalidNameChar(c)) out += c;
  return out;
}

std::string ReplaceInvalidChars(const std::string& name, char replacement) {
  std::string out = name;
  for (char& c : out)
    if (IsInvalidNameChar(c)) c = replacement;
  return out;
}

std::string RemoveLeadingDigits(const std::string& name) {
  std::size_t i = 0;
  while (i < name.size() && name[i] >= '0' && name[i] <= '9') ++i;
  return name.substr(i);
}

bool IsWindowsPath(const std::string& path) {
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') return true;
  const unsigned char drive = static_cast<unsigned char>(path.empty() ? 0 : path[0]);
  return path.size() >= 3 && std::isalpha(drive) && path[1] == ':' && isSeparator(path[2]);
}

std::string PathExtension(const std::string& path) {
  const bool windows = IsWindowsPath(path);
  for (std::size_t i = path.size(); i-- > 0;) {
    if (path[i] == '.') return path.substr(i);
    if (endsName(path[i], windows)) return std::string();
  }
  return std::string();
}

std::string PathBaseName(const std::string& path) {
  const bool windows = IsWindowsPath(path);
  std::string stem = path.substr(0, path.size() - PathExtension(path).size());
  for (std::size_t i = stem.size(); i-- > 0;)
    if (endsName(stem[i], windows)) return stem.substr(i + 1);
  return stem;
}

std::string PathDirectoryPart(const std::string& path) {
  const bool windows = IsWindowsPath(path);
  for (std::size_t i = path.size(); i-- > 0;)
    if (endsName(path[i], windows)) return path.substr(0, i + 1);
  return std::string();
}

std::string PathTail(const std::string& path, int count) {
  if (!IsWindowsPath(path)) return linuxPathTail(path, count);
  const std::size_t n = path.size();
  // Positions below count from 1, as the scan is easiest to read that way.
  std::size_t last = 0;
  for (std::size_t i = n; i >= 1; --i)
    if (isSeparator(path[i - 1])) {
      last = i;
      break;
    }
  if (last == 0) return std::string();
  std::size_t start = 1;
  int seps = 0;
  for (std::size_t i = n; i >= 1; --i) {
    const char c = path[i - 1];
    const bool rightIsSep = i < n && isSeparator(path[i]);
    if (c == ':') {
      start = rightIsSep ? i + 2 : i + 1;
      break;
    }
    if (isSeparator(c)) {
      ++seps;
      if (rightIsSep) {
        start = i + 2;
        break;
      }
      if (seps > count) {
        start = i + 1;
        break;
      }
    }
  }
  if (start >= last) return std::string();
  return path.substr(start - 1, last - start);
}

std::string FitNameLength(const std::string& name, const std::string& ext, std::size_t limit) {
  if (name.size() + ext.size() <= limit) return name + ext;
  return std::string(Utf8CutToBytes(name, ext.size() < limit ? limit - ext.size() : 0)) + ext;
}

std::string MakeUniqueName(const std::string& path, UniqueNameState* state) {
  return MakeUniqueName(path, state, NameTakenAt);
}

std::string MakeUniqueName(const std::string& path, UniqueNameState* state,
                           const std::function<bool(const std::string&)>& taken) {
  if (HoldsNul(path)) return std::string();
  const std::string ext = PathExtension(path);
  const std::size_t slash = path.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::string folder = path.substr(0, nameStart);
  const std::string stem = path.substr(nameStart, path.size() - nameStart - ext.size());
  long long first = 1;
  if (state) {
    if (auto it = state->last.find(path); it != state->last.end()) first = it->second + 1;
  }
  for (long long n = first; n < first + kMaxUniqueTries; ++n) {
    const std::string number = " (" + std::to_string(n) + ")";
    const std::string name = FitNameLength(stem, number + ext);
    // The number must survive the cut: an extension alone filling the limit leaves no
    // name to number.
    if (name.size() < number.size() + ext.size()) return std::string();
    const std::string candidate = folder + name;
    if (taken(candidate)) continue;
    if (state) state->last[path] = n;
    return candidate;
  }
  return std::string();
}

int NumberWidth(long long count) {
  int width = 1;
  while (count >= 10) {
    count /= 10;
    ++width;
  }
  return width;
}

std::string RenameEntry(const std::string& originName, const std::string& descr,
                        const OperationParameters& params, NumberingState& numbering) {
  std::string name = originName;
  if (params.renameByDescription) name = descr;
  if (params.deleteLeadingNumber) name = RemoveLeadingDigits(name);
  if (params.numberItems) {
    std::string n = std::to_string(numbering.counter);
    if (static_cast<int>(n.size()) < numbering.width)
      n.insert(0, static_cast<std::size_t>(numbering.width) - n.size(), '0');
    name = n + " " + name;
    ++numbering.counter;
  }
  if (HasInvalidChars(name)) {
    switch (params.invalidCharRule) {
      case invalidRemove:
        name = RemoveInvalidChars(name);
        break;
      case invalidSpace:
        name = ReplaceInvalidChars(name, ' ');
        break;
      case invalidUnderline:
        name = ReplaceInvalidChars(name, '_');
        break;
      default:
        break;
    }
  }
  return std::string(TrimBlanks(name));
}

std::string FolderPartFor(const std::string& origin, const OperationParameters& params) {
  std::string folder;
  switch (params.folderLayout) {
    case layoutFullPath:
      folder = PathDirectoryPart(origin);
      break;
    case layoutNearestFolder:
      folder = PathTail(origin, 1);
      break;
    case layoutLevels:
      folder = PathTail(origin, FolderLevelCount(params.folderLevels));
      break;
    default:
      break;
  }
  // The folders of a Windows path become folders here: its separators turn into '/', and
  // its drive "C:" into a folder named "C".
  if (IsWindowsPath(origin)) {
    for (char& c : folder)
      if (c == '\\') c = '/';
    if (folder.size() >= 2 && folder[1] == ':') folder.erase(1, 1);
  }
  return folder;
}

bool IsSafeRelativeFilePath(const std::string& relative) {
  std::size_t begin = 0;
  std::string component;
  for (std::size_t i = 0; i <= relative.size(); ++i) {
    if (i < relative.size() && relative[i] != '/') continue;
    component = relative.substr(begin, i - begin);
    if (component == "." || component == "..") return false;
    begin = i + 1;
  }
  // The last component is the file name: it must exist.
  return !component.empty();
}

std::string ResolveRelativeFilePath(const std::string& relative) {
  if (HoldsNul(relative)) return std::string();
  std::vector<std::string> kept;
  std::size_t begin = 0;
  std::string component;
  for (std::size_t i = 0; i <= relative.size(); ++i) {
    if (i < relative.size() && relative[i] != '/') continue;
    component = relative.substr(begin, i - begin);
    begin = i + 1;
    if (component.empty() || component == ".") continue;
    if (component == "..") {
      if (kept.empty()) return std::string();
      kept.pop_back();
      continue;
    }
    kept.push_back(component);
  }
  // The last component is the file name: it must be there, not a folder step.
  if (kept.empty() || component.empty() || component == "." || component == "..")
    return std::string();
  std::string out;
  for (const std::string& part : kept) out += (out.empty() ? "" : "/") + part;
  return out;
}

std::string EntryDestination(const std::string& root, const std::string& origin,
                             const std::string& descr, const OperationParameters& params,
                             NumberingState& numbering, const MediumProfile* medium) {
  const std::string ext = PathExtension(origin);
  std::string name = PathBaseName(origin);
  if (params.renameEnabled) name = RenameEntry(name, descr, params, numbering);
  const std::string folder = FolderPartFor(origin, params);
  // The part below the root, joined the same way as the whole path, is what must stay
  // below the root; its "." and ".." are resolved before it is put under the root. Only
  // '/' separates here: a '\\' left in a name is a character of that name.
  std::string relative = ResolveRelativeFilePath(
      StripLeadingSeparators(JoinPath({folder, name + ext}, '/', kSepSlash), kSepSlash));
  if (relative.empty()) return std::string();
  if (medium) relative = MediumRelativePath(relative, *medium, MediumReplacement(params));
  const std::size_t slash = relative.rfind('/');
  const std::string fileName = relative.substr(slash == std::string::npos ? 0 : slash + 1);
  const std::string fileExt = PathExtension(fileName);
  // A Windows medium's names were cut to its own measure (UTF-16 units) already.
  const std::string fitted =
      medium && medium->windowsNames
          ? fileName
          : FitNameLength(fileName.substr(0, fileName.size() - fileExt.size()), fileExt);
  return JoinPath({StripTrailingSeparators(root, kSepBoth),
                   relative.substr(0, relative.size() - fileName.size()) + fitted},
                  '/', kSepSlash);
}
