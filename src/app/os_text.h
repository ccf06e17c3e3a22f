#pragma once
// The text of the "OS:" line of the program log: the platform name, the system's own
// description and its version numbers. Plain C++, no Qt.
#include <string>

struct OSVersion {
  int major = 0, minor = 0, build = 0;
};

// Platform name of a platform id: 0 "Win32S", 1 "Win95", 2 "WinNT", any other "?" + id + "?".
std::string PlatformName(int platformId);

// platformName + " " + the format "%s (%d.%d.%d)" of description and version.
std::string FormatOSText(const std::string& platformName, const std::string& description,
                         const OSVersion& version);
std::string FormatOSText(int platformId, const std::string& description, const OSVersion& version);

// The PRETTY_NAME of an os-release file's contents (quotes and escapes removed); NAME and
// VERSION when it is missing; empty when neither is there.
std::string OsReleaseDescription(const std::string& osReleaseText);

// The leading numbers of a kernel release such as "6.1.0-18-amd64"; missing parts are 0.
OSVersion ParseKernelRelease(const std::string& release);

// This system, for example "Linux Debian GNU/Linux 12 (bookworm) (6.1.0)".
std::string GetOSText();
