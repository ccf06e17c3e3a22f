#include "worklist/m3u.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>

#include "fs/atomic_file.h"
#include "fs/path_text.h"
#include "fs/sys_calls.h"
#include "fs/unique_fd.h"
#include "worklist/text_encoding.h"

namespace {

constexpr std::string_view kHeader = "#EXTM3U";
constexpr std::string_view kInfo = "#EXTINF:";

bool isAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isUnchangedPath(std::string_view line) {
  if (line.empty()) return false;
  if (line[0] == '/' || line[0] == '\\') return true;
  if (line.find("://") != std::string_view::npos) return true;
  return line.size() >= 2 && isAsciiLetter(line[0]) && line[1] == ':';
}

// A whole signed decimal number of seconds; blanks around it are allowed, nothing else.
bool parseLength(std::string_view text, int& value) {
  text = TrimBlanks(text);
  if (text.starts_with('+')) text.remove_prefix(1);
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

// Calls `line(number, bytes)` for every line; a final line without its end counts too.
template <typename F>
void forEachLine(std::string_view bytes, F&& line) {
  int number = 0;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", pos);
    const std::size_t stop = end == std::string_view::npos ? bytes.size() : end;
    if (!line(++number, bytes.substr(pos, stop - pos))) return;
    if (stop == bytes.size()) return;
    pos = stop + 1;
    if (bytes[stop] == '\r' && pos < bytes.size() && bytes[pos] == '\n') ++pos;
  }
}

std::string systemError(const char* what, const std::string& file, int err) {
  return std::string(what) + " \"" + file + "\": " + std::strerror(err);
}

// Why the path cannot stand on a path line and read back as itself, whatever its kind.
std::string pathLineProblem(std::string_view path) {
  if (path.empty()) return "the path is empty";
  if (path.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
    return "the path holds a line break or a NUL byte";
  if (!IsValidUtf8(path)) return "the path is not valid UTF-8";
  if (TrimBlanks(path).size() != path.size())
    return "the path starts or ends with a blank or a control character";
  if (path[0] == '#') return "the path starts with \"#\"";
  return std::string();
}

}  // namespace

std::string PlaylistFolder(std::string_view playlistFile) {
  const std::size_t slash = playlistFile.rfind('/');
  if (slash == std::string_view::npos) return std::string();
  std::string_view folder = playlistFile.substr(0, slash);
  while (!folder.empty() && folder.back() == '/') folder.remove_suffix(1);
  return folder.empty() ? std::string("/") : std::string(folder);
}

std::string ResolvePlaylistPath(std::string_view line, std::string_view folder) {
  if (isUnchangedPath(line)) return std::string(line);
  std::string joined;
  joined.reserve(folder.size() + 1 + line.size());
  if (!folder.empty()) {
    joined.append(folder);
    joined += '/';
  }
  joined.append(line);
  // '\' is a separator in a playlist written on Windows; a Linux file name holding one
  // cannot be told apart and is rarely met in a playlist.
  std::replace(joined.begin(), joined.end(), '\\', '/');
  return CollapseSeparators(joined, 1, kSepSlash);
}

std::string M3uPathProblem(std::string_view path) {
  std::string problem = pathLineProblem(path);
  if (problem.empty() && !isUnchangedPath(path)) problem = "the path is relative";
  return problem;
}

std::string M3uRelativePathProblem(std::string_view path) {
  std::string problem = pathLineProblem(path);
  if (!problem.empty()) return problem;
  if (isUnchangedPath(path)) return "the path would read as an absolute path";
  if (path.find('\\') != std::string_view::npos) return "the path holds a backslash";
  return std::string();
}

M3uParseResult ParseM3U(std::string_view bytes, std::string_view folder) {
  M3uParseResult result;
  bytes = SkipUtf8Bom(bytes);
  if (bytes.empty()) {
    result.status = M3uStatus::Empty;
    return result;
  }
  result.status = M3uStatus::Ok;
  std::string title;
  int length = -1;
  bool hasExtinf = false;
  forEachLine(bytes, [&](int number, std::string_view raw) {
    const std::string_view trimmed = TrimBlanks(raw);
    if (number == 1) {
      if (trimmed != kHeader) {
        result.status = M3uStatus::NotM3u;
        return false;
      }
      return true;
    }
    if (trimmed.empty()) return true;
    const std::string text = BytesToUtf8(trimmed);
    if (text[0] == '#') {
      if (text.starts_with(kInfo)) {
        const std::size_t comma = text.find(',', kInfo.size());
        const std::string_view rest = std::string_view(text).substr(kInfo.size());
        const std::string_view lengthText =
            comma == std::string::npos ? rest : rest.substr(0, comma - kInfo.size());
        title = comma == std::string::npos ? std::string() : text.substr(comma + 1);
        hasExtinf = true;
        if (!parseLength(lengthText, length)) {
          length = -1;
          // The log line stays short whatever the playlist holds.
          const std::string_view shown = Utf8CutToBytes(lengthText, 40);
          result.diagnostics.push_back(
              {number, "line " + std::to_string(number) + ": length \"" + std::string(shown) +
                           (shown.size() < lengthText.size() ? "...\"" : "\"") +
                           " in #EXTINF is not a whole number of seconds, -1 used"});
        }
      }
      return true;
    }
    if (text.find('\0') != std::string::npos) {
      // Every system call would end the path at the NUL and act on another file.
      result.diagnostics.push_back(
          {number, "line " + std::to_string(number) + ": path holds a NUL byte, entry left out"});
    } else {
      result.records.push_back(
          {ResolvePlaylistPath(text, folder), std::move(title), length, hasExtinf, number});
    }
    title.clear();
    length = -1;
    hasExtinf = false;
    return true;
  });
  if (result.status == M3uStatus::NotM3u) result.records.clear();
  return result;
}

M3uParseResult ReadM3UFile(const std::string& playlistFile) {
  M3uParseResult result;
  // Only regular files: a pipe would block and a device such as /dev/zero never ends.
  const UniqueFd fd(::open(playlistFile.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) {
    result.status = M3uStatus::Unreadable;
    result.error = systemError("cannot open", playlistFile, errno);
    return result;
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) {
    result.status = M3uStatus::Unreadable;
    result.error = systemError("cannot read", playlistFile, errno);
  } else if (!S_ISREG(st.st_mode)) {
    result.status = M3uStatus::Unreadable;
    result.error = S_ISDIR(st.st_mode) ? systemError("cannot read", playlistFile, EISDIR)
                                       : "cannot read \"" + playlistFile + "\": not a file";
  }
  if (result.status == M3uStatus::Unreadable) return result;
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      result.status = M3uStatus::Unreadable;
      result.error = systemError("cannot read", playlistFile, errno);
      return result;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return ParseM3U(bytes, PlaylistFolder(playlistFile));
}

std::string FormatM3U(const std::vector<M3uExportEntry>& entries) {
  std::string out;
  out.append(kHeader).append("\r\n");
  for (const M3uExportEntry& e : entries) {
    if (!e.description.empty()) {
      out.append(kInfo).append(std::to_string(e.length)).append(",");
      for (char c : e.description) out += (c == '\r' || c == '\n') ? ' ' : c;
      out.append("\r\n");
    }
    out.append(e.path).append("\r\n");
  }
  return out;
}

bool WriteM3UFile(const std::string& file, const std::vector<M3uExportEntry>& entries,
                  std::string& error) {
  namespace fs = std::filesystem;
  std::string target = file;
  struct stat st;
  FsCalls& sys = ActiveFsCalls();
  bool exists = sys.lstat(file.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    // Replace the file the link names, not the link.
    std::error_code ec;
    const fs::path real = fs::canonical(file, ec);
    if (!ec) target = real.string();
    exists = sys.stat(target.c_str(), &st) == 0;
  }
  if (exists && S_ISDIR(st.st_mode)) {
    error = systemError("cannot write", file, EISDIR);
    return false;
  }
  // A read-only playlist stays as it is: the folder being writable is no licence to
  // replace it.
  if (exists && ::access(target.c_str(), W_OK) != 0) {
    error = systemError("cannot write", file, errno);
    return false;
  }

  static std::atomic<unsigned> counter{0};
  AtomicFile out;
  const int created = out.create(
      [&] {
        return target + ".~" + std::to_string(::getpid()) + "-" +
               std::to_string(counter.fetch_add(1)) + ".tmp";
      },
      0666);
  if (created != 0) {
    error = systemError("cannot create", file, created);
    return false;
  }
  const std::string bytes = FormatM3U(entries);
  int err = out.writeAll(bytes.data(), bytes.size());
  if (!err && exists) ::fchmod(out.fd(), st.st_mode & 07777);
  if (!err) err = out.flush();
  if (const int closed = out.close(); closed && !err) err = closed;
  if (!err) err = out.commit(target);
  if (err) {
    out.discard();
    error = systemError("cannot write", file, err);
  }
  return err == 0;
}
