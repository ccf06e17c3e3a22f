#include "winamp/wine_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "fs/path_text.h"
#include "fs/unique_fd.h"
#include "logs/log.h"

namespace {

char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return true;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool isHighSurrogate(std::uint32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(std::uint32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// The code of the hex digits (at most four) at quoted[i], moving i past them; the number of
// digits read in `digits`.
std::uint32_t readHex(std::string_view quoted, std::size_t& i, int& digits) {
  std::uint32_t code = 0;
  digits = 0;
  while (digits < 4 && i < quoted.size() && hexDigit(quoted[i]) >= 0) {
    code = code * 16 + static_cast<std::uint32_t>(hexDigit(quoted[i++]));
    ++digits;
  }
  return code;
}

// A section name of user.reg ("Software\\Winamp") with its escapes undone. Only backslashes
// and \x characters occur in key names.
std::string unescapeKey(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  for (char c : text) {
    if (c == '"') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return UnquoteRegistryString(quoted).value_or(std::string());
}

// The bytes of a file. Only a regular file of at most
// kMaxRegistryBytes is read, opened without blocking: a FIFO under the name would stall
// start-up and a link to a device could feed bytes without end. Anything else is logged
// and counts as no file.
QByteArray registryFileBytes(const std::string& path, bool& ok) {
  ok = false;
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!fd) {
    if (errno != ENOENT && errno != ENOTDIR)
      ProgramLogWrite("Wine registry " + path + " not read: " + std::strerror(errno));
    return {};
  }
  struct stat st {};
  std::string refusal;
  if (::fstat(fd.get(), &st) != 0)
    refusal = std::strerror(errno);
  else if (!S_ISREG(st.st_mode))
    refusal = "not a regular file";
  else if (st.st_size > kMaxRegistryBytes)
    refusal = "larger than " + std::to_string(kMaxRegistryBytes) + " bytes";
  QByteArray all;
  if (refusal.empty()) {
    // One byte more than the bound shows a file that grew while it was read.
    all.resize(static_cast<qsizetype>(st.st_size) + 1);
    qsizetype got = 0;
    while (got < all.size()) {
      const ssize_t r =
          ::read(fd.get(), all.data() + got, static_cast<std::size_t>(all.size() - got));
      if (r < 0 && errno == EINTR) continue;
      if (r < 0) refusal = std::strerror(errno);
      if (r <= 0) break;
      got += r;
      if (got > kMaxRegistryBytes) {
        refusal = "larger than " + std::to_string(kMaxRegistryBytes) + " bytes";
        break;
      }
    }
    all.resize(got);
  }
  fd.close();
  if (!refusal.empty()) {
    ProgramLogWrite("Wine registry " + path + " not read: " + refusal);
    return {};
  }
  ok = true;
  return all;
}

// The entry of `folder` named `name`, found without regard to letter case when the exact
// spelling does not exist; `name` itself when nothing matches.
QString lookUpName(const QString& folder, const QString& name) {
  if (name == QLatin1String(".") || name == QLatin1String("..")) return name;
  if (QFileInfo::exists(folder + QLatin1Char('/') + name)) return name;
  const QStringList entries =
      QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& e : entries)
    if (e.compare(name, Qt::CaseInsensitive) == 0) return e;
  return name;
}

}  // namespace

std::string WinePrefix() {
  const QByteArray prefix = qgetenv("WINEPREFIX");
  if (!prefix.isEmpty()) return StripTrailingSeparators(prefix.toStdString(), kSepSlash);
  const QByteArray home = qgetenv("HOME");
  if (home.isEmpty()) return std::string();
  return StripTrailingSeparators(home.toStdString(), kSepSlash) + "/.wine";
}

std::optional<std::string> UnquoteRegistryString(std::string_view quoted) {
  if (quoted.empty() || quoted.front() != '"') return std::nullopt;
  std::string out;
  std::size_t i = 1;
  while (i < quoted.size()) {
    const char c = quoted[i++];
    if (c == '"') return out;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i >= quoted.size()) break;
    const char e = quoted[i++];
    switch (e) {
      case 'a':
        out += '\a';
        break;
      case 'b':
        out += '\b';
        break;
      case 'e':
        out += '\x1b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'v':
        out += '\v';
        break;
      case 'x': {
        int digits = 0;
        std::uint32_t code = readHex(quoted, i, digits);
        if (digits == 0) {
          out += 'x';
          break;
        }
        // Wine writes a character beyond the first 65536 as its two UTF-16 halves, each
        // escaped on its own: they make one character. A half without its partner is not
        // a character at all and becomes the replacement character.
        if (isHighSurrogate(code)) {
          std::size_t j = i;
          int lowDigits = 0;
          std::uint32_t low = 0;
          if (j + 1 < quoted.size() && quoted[j] == '\\' && quoted[j + 1] == 'x') {
            j += 2;
            low = readHex(quoted, j, lowDigits);
          }
          if (lowDigits > 0 && isLowSurrogate(low)) {
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i = j;
          } else {
            code = 0xFFFD;
          }
        } else if (isLowSurrogate(code)) {
          code = 0xFFFD;
        }
        appendUtf8(out, code);
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          std::uint32_t code = static_cast<std::uint32_t>(e - '0');
          for (int d = 1; d < 3 && i < quoted.size() && quoted[i] >= '0' && quoted[i] <= '7'; ++d)
            code = code * 8 + static_cast<std::uint32_t>(quoted[i++] - '0');
          appendUtf8(out, code);
        } else {
          out += e;  // "\\", "\"" and anything else: the character itself
        }
    }
  }
  return std::nullopt;
}

std::string ReadRegistryDefaultValue(const std::string& userReg, std::string_view key) {
  bool ok = false;
  const QByteArray bytes = registryFileBytes(userReg, ok);
  if (!ok) return std::string();
  return RegistryDefaultValueIn(
      std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), key);
}

std::string RegistryDefaultValueIn(std::string_view text, std::string_view key) {
  QByteArray all(text.data(), static_cast<qsizetype>(text.size()));
  all.replace("\r\n", "\n");
  all.replace('\r', '\n');
  const QList<QByteArray> lines = all.split('\n');
  bool inKey = false;
  for (const QByteArray& raw : lines) {
    const QByteArray line = raw.trimmed();
    if (line.startsWith('[')) {
      // "[Software\\Winamp] 1700000000": the name runs to the last ']' (a time stamp follows).
      const qsizetype close = line.lastIndexOf(']');
      inKey =
          close > 0 && equalsNoCase(unescapeKey(std::string_view(
                                        line.constData() + 1, static_cast<std::size_t>(close - 1))),
                                    key);
      continue;
    }
    if (!inKey || !line.startsWith("@=")) continue;
    std::string_view value(line.constData() + 2, static_cast<std::size_t>(line.size() - 2));
    if (value.substr(0, 7) == "str(2):") value.remove_prefix(7);
    return UnquoteRegistryString(value).value_or(std::string());
  }
  return std::string();
}

std::string WindowsPathToLinux(const std::string& prefix, std::string_view windowsPath) {
  if (prefix.empty() || windowsPath.size() < 2 || windowsPath[1] != ':') return std::string();
  const char letter = lowerAscii(windowsPath[0]);
  if (letter < 'a' || letter > 'z') return std::string();
  QString path = QString::fromStdString(StripTrailingSeparators(prefix, kSepSlash));
  if (letter == 'c')
    path += QLatin1String("/drive_c");
  else
    path += QLatin1String("/dosdevices/") + QLatin1Char(letter) + QLatin1Char(':');
  const QString rest =
      QString::fromUtf8(windowsPath.data() + 2, static_cast<qsizetype>(windowsPath.size() - 2));
  for (const QString& name : QString(rest)
                                 .replace(QLatin1Char('\\'), QLatin1Char('/'))
                                 .split(QLatin1Char('/'), Qt::SkipEmptyParts))
    path += QLatin1Char('/') + lookUpName(path, name);
  return path.toStdString();
}

std::string WinampFolderFromRegistry(const std::string& prefix) {
  if (prefix.empty()) return std::string();
  const std::string value = ReadRegistryDefaultValue(prefix + "/user.reg", "Software\\Winamp");
  if (value.empty()) return std::string();
  return WindowsPathToLinux(prefix, value);
}

std::string WinampFolderFromRegistry() {
  return WinampFolderFromRegistry(WinePrefix());
}
