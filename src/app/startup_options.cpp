#include "app/startup_options.h"

#include <cctype>
#include <charconv>

namespace {

std::string lowerAscii(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

constexpr const char* kSplashPrefix = "--splash-ms=";
// The switch only shortens the countdown; it never holds the splash longer than usual.
constexpr int kMaxSplashMs = kDefaultSplashMs;

}  // namespace

bool IsLogsSwitch(const std::string& arg) {
  const std::string a = lowerAscii(arg);
  return a == "-logs" || a == "/logs" || a == "--logs";
}

StartupOptions ParseStartupOptions(const std::vector<std::string>& args) {
  StartupOptions o;
  o.commandLine = JoinCommandLine(args);
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (IsLogsSwitch(a)) {
      o.logs = true;
      continue;
    }
    const std::string prefix = kSplashPrefix;
    if (lowerAscii(a.substr(0, prefix.size())) == prefix) {
      const std::string value = a.substr(prefix.size());
      int ms = 0;
      auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
      if (value.empty() || ec != std::errc() || end != value.data() + value.size() || ms < 0 ||
          ms > kMaxSplashMs) {
        o.warnings.push_back("ignored " + a +
                             ": expected a whole number of milliseconds from 0 to " +
                             std::to_string(kMaxSplashMs));
      } else {
        o.splashMs = ms;
      }
    }
  }
  return o;
}

std::string JoinCommandLine(const std::vector<std::string>& args) {
  std::string out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) out += ' ';
    const std::string& a = args[i];
    if (a.empty() || a.find_first_of(" \t") != std::string::npos)
      out += '"' + a + '"';
    else
      out += a;
  }
  return out;
}
