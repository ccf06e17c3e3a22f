#include "winamp/wine_registry.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "fs/path_text.h"

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
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
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

// The lines of a file, without their line ends.
QList<QByteArray> fileLines(const std::string& path, bool& ok) {
  QFile f(QString::fromStdString(path));
  ok = f.open(QIODevice::ReadOnly);
  if (!ok) return {};
  QByteArray all = f.readAll();
  all.replace("\r\n", "\n");
  all.replace('\r', '\n');
  return all.split('\n');
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
        std::uint32_t code = 0;
        int digits = 0;
        while (digits < 4 && i < quoted.size() && hexDigit(quoted[i]) >= 0) {
          code = code * 16 + static_cast<std::uint32_t>(hexDigit(quoted[i++]));
          ++digits;
        }
        if (digits == 0)
          out += 'x';
        else
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
  const QList<QByteArray> lines = fileLines(userReg, ok);
  if (!ok) return std::string();
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
