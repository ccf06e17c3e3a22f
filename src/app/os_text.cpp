#include "app/os_text.h"

#include <sys/utsname.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

std::string PlatformName(int platformId) {
  switch (platformId) {
    case 0:
      return "Win32S";
    case 1:
      return "Win95";
    case 2:
      return "WinNT";
    default:
      return "?" + std::to_string(platformId) + "?";
  }
}

std::string FormatOSText(const std::string& platformName, const std::string& description,
                         const OSVersion& v) {
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, " (%d.%d.%d)", v.major, v.minor, v.build);
  return platformName + " " + description + numbers;
}

std::string FormatOSText(int platformId, const std::string& description, const OSVersion& v) {
  return FormatOSText(PlatformName(platformId), description, v);
}

namespace {

// One value of an os-release line: shell-like quoting with '"' or '\'' and backslash
// escapes inside double quotes.
std::string unquote(const std::string& raw) {
  std::string s = raw;
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front()) {
    const char q = s.front();
    std::string out;
    for (std::size_t i = 1; i + 1 < s.size(); ++i) {
      if (q == '"' && s[i] == '\\' && i + 2 < s.size()) ++i;
      out += s[i];
    }
    return out;
  }
  return s;
}

}  // namespace

std::string OsReleaseDescription(const std::string& text) {
  std::map<std::string, std::string> values;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    std::size_t eq = line.find('=', start);
    if (eq == std::string::npos) continue;
    values[line.substr(start, eq - start)] = unquote(line.substr(eq + 1));
  }
  if (!values["PRETTY_NAME"].empty()) return values["PRETTY_NAME"];
  std::string name = values["NAME"];
  const std::string& version = values["VERSION"];
  if (!version.empty()) name += name.empty() ? version : " " + version;
  return name;
}

OSVersion ParseKernelRelease(const std::string& release) {
  OSVersion v;
  int* parts[3] = {&v.major, &v.minor, &v.build};
  std::size_t i = 0;
  for (int k = 0; k < 3; ++k) {
    if (i >= release.size() || !std::isdigit(static_cast<unsigned char>(release[i]))) break;
    long n = 0;
    while (i < release.size() && std::isdigit(static_cast<unsigned char>(release[i]))) {
      if (n < 100000000) n = n * 10 + (release[i] - '0');
      ++i;
    }
    *parts[k] = static_cast<int>(n);
    if (i >= release.size() || release[i] != '.') break;
    ++i;
  }
  return v;
}

std::string GetOSText() {
  std::string sysname = "Linux";
  OSVersion version;
  struct utsname u {};
  if (uname(&u) == 0) {
    sysname = u.sysname;
    version = ParseKernelRelease(u.release);
  }
  std::string description;
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    std::ifstream f(path);
    if (!f) continue;
    std::stringstream s;
    s << f.rdbuf();
    description = OsReleaseDescription(s.str());
    break;
  }
  return FormatOSText(sysname, description, version);
}
