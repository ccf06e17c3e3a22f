#include "operation/dest_path.h"

#include <sys/stat.h>

#include <cstring>

#include "fs/path_text.h"
#include "operation/operation_parameters.h"
#include "worklist/text_encoding.h"

namespace {

bool isSeparator(char c) {
  return c == '/' || c == '\\';
}
bool endsName(char c) {
  return isSeparator(c) || c == ':';
}

// True when something other than a folder stands at the path (lstat: a symbolic link
// counts as itself).
bool fileStandsAt(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  return !S_ISDIR(st.st_mode);
}

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

std::string PathExtension(const std::string& path) {
  for (std::size_t i = path.size(); i-- > 0;) {
    if (path[i] == '.') return path.substr(i);
    if (endsName(path[i])) return std::string();
  }
  return std::string();
}

std::string PathBaseName(const std::string& path) {
  std::string stem = path.substr(0, path.size() - PathExtension(path).size());
  for (std::size_t i = stem.size(); i-- > 0;)
    if (endsName(stem[i])) return stem.substr(i + 1);
  return stem;
}

std::string PathDirectoryPart(const std::string& path) {
  for (std::size_t i = path.size(); i-- > 0;)
    if (endsName(path[i])) return path.substr(0, i + 1);
  return std::string();
}

std::string PathTail(const std::string& path, int count) {
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

std::string MakeUniqueName(const std::string& path) {
  const std::string ext = PathExtension(path);
  const std::string base = path.substr(0, path.size() - ext.size());
  for (long long n = 1;; ++n) {
    std::string candidate = base + " (" + std::to_string(n) + ")" + ext;
    if (!fileStandsAt(candidate)) return candidate;
  }
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
  switch (params.folderLayout) {
    case layoutFullPath:
      return PathDirectoryPart(origin);
    case layoutNearestFolder:
      return PathTail(origin, 1);
    case layoutLevels:
      return PathTail(origin, FolderLevelCount(params.folderLevels));
    default:
      return std::string();
  }
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

std::string EntryDestination(const std::string& root, const std::string& origin,
                             const std::string& descr, const OperationParameters& params,
                             NumberingState& numbering) {
  const std::string ext = PathExtension(origin);
  std::string name = PathBaseName(origin);
  if (params.renameEnabled) name = RenameEntry(name, descr, params, numbering);
  const std::string folder = FolderPartFor(origin, params);
  // The part below the root, joined the same way as the whole path, is what must stay
  // below the root.
  const std::string relative = JoinPath({folder, name + ext}, '/', 3);
  if (!IsSafeRelativeFilePath(StripLeadingSeparators(relative, 3))) return std::string();
  return JoinPath({root, folder, name + ext}, '/', 3);
}
