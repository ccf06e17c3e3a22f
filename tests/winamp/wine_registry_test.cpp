#include "winamp/wine_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QByteArray>
#include <filesystem>
#include <optional>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

// The head Wine writes at the top of user.reg.
const char* kHead =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n";

TEST(RegistryString, EscapesAndBadQuotes) {
  EXPECT_EQ(UnquoteRegistryString(R"("C:\\Program Files\\Winamp")"), "C:\\Program Files\\Winamp");
  EXPECT_EQ(UnquoteRegistryString(R"("say \"hi\"" trailing)"), "say \"hi\"");
  EXPECT_EQ(UnquoteRegistryString(R"("")"), "");
  EXPECT_EQ(UnquoteRegistryString(R"("a\tb\nc")"), "a\tb\nc");
  // \x with up to four hex digits is a Unicode character, and stops at
  // the first character that is not a hex digit.
  EXPECT_EQ(UnquoteRegistryString(R"("\x041c\x0443\x0437ыка")"), "Музыка");
  EXPECT_EQ(UnquoteRegistryString(R"("\x41z")"), "Az");
  EXPECT_EQ(UnquoteRegistryString(R"("\x00e9z")"), "\xC3\xA9z");
  EXPECT_EQ(UnquoteRegistryString(R"("\101")"), "A");
  // A character beyond the first 65536 comes as the two escaped halves of its UTF-16 form
  // and is one four-byte UTF-8 character; a half without its partner is U+FFFD, and the
  // escape after a lone first half is still read for itself.
  EXPECT_EQ(UnquoteRegistryString(R"("\xd83d\xde00!")"), "\xF0\x9F\x98\x80!");
  EXPECT_EQ(UnquoteRegistryString(R"("\xD834\xDD1E")"), "\xF0\x9D\x84\x9E");
  EXPECT_EQ(UnquoteRegistryString(R"("\xd83dx")"), "\xEF\xBF\xBDx");
  EXPECT_EQ(UnquoteRegistryString(R"("\xde00\xd83d")"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(UnquoteRegistryString(R"("\xd83d\x41")"),
            "\xEF\xBF\xBD"
            "A");
  EXPECT_EQ(UnquoteRegistryString(R"("\xd83d\\xde00")"), "\xEF\xBF\xBD\\xde00");
  // No closing quote, a dangling backslash, no opening quote: nothing.
  EXPECT_EQ(UnquoteRegistryString(R"("C:\\Winamp)"), std::nullopt);
  EXPECT_EQ(UnquoteRegistryString(R"("abc\)"), std::nullopt);
  EXPECT_EQ(UnquoteRegistryString("C:\\Winamp"), std::nullopt);
  EXPECT_EQ(UnquoteRegistryString(""), std::nullopt);
}

TEST(RegistryFile, DefaultValueOfTheKeyOnly) {
  TempDir dir;
  const fs::path reg = dir / "user.reg";
  writeFile(reg, std::string(kHead) +
                     "[Software\\\\Winamp\\\\Plugins] 1700000001\n"
                     "@=\"C:\\\\Wrong\\\\Sub key\"\n"
                     "\n"
                     "[Software\\\\WinampX] 1700000002\n"
                     "@=\"C:\\\\Wrong\\\\Longer name\"\n"
                     "\n"
                     "[Software\\\\WINAMP] 1700000003\n"
                     "#time=1da0b1c2d3e4f56\n"
                     "\"Version\"=\"5.9\"\n"
                     "@=\"C:\\\\Program Files (x86)\\\\Winamp\"\n"
                     "\n"
                     "[Software\\\\Other] 1700000004\n"
                     "@=\"C:\\\\Other\"\n");
  EXPECT_EQ(ReadRegistryDefaultValue(reg.string(), "Software\\Winamp"),
            "C:\\Program Files (x86)\\Winamp");
  EXPECT_EQ(ReadRegistryDefaultValue(reg.string(), "software\\winamp\\plugins"),
            "C:\\Wrong\\Sub key");
  EXPECT_EQ(ReadRegistryDefaultValue(reg.string(), "Software\\Missing"), "");
  EXPECT_EQ(ReadRegistryDefaultValue((dir / "no-such.reg").string(), "Software\\Winamp"), "");
}

TEST(RegistryFile, KeyWithoutUsableDefaultValue) {
  TempDir dir;
  const fs::path reg = dir / "user.reg";
  // Only named values: the default value must not be taken from the next section.
  writeFile(reg, std::string(kHead) +
                     "[Software\\\\Winamp] 1700000000\n"
                     "\"Path\"=\"C:\\\\Named\"\n"
                     "\n"
                     "[Software\\\\Next] 1700000000\n"
                     "@=\"C:\\\\Next\"\n");
  EXPECT_EQ(ReadRegistryDefaultValue(reg.string(), "Software\\Winamp"), "");

  // A binary or numeric default value is not a folder; an expandable string is read.
  writeFile(reg, std::string(kHead) + "[Software\\\\Winamp] 1\n@=hex:43,00,3a,00\n");
  EXPECT_EQ(ReadRegistryDefaultValue(reg.string(), "Software\\Winamp"), "");
  writeFile(reg, std::string(kHead) + "[Software\\\\Winamp] 1\n@=dword:00000001\n");
  EXPECT_EQ(ReadRegistryDefaultValue(reg.string(), "Software\\Winamp"), "");
  writeFile(reg,
            std::string(kHead) + "[Software\\\\Winamp] 1\r\n@=str(2):\"D:\\\\Apps\\\\Winamp\"\r\n");
  EXPECT_EQ(ReadRegistryDefaultValue(reg.string(), "Software\\Winamp"), "D:\\Apps\\Winamp");
  // An unterminated value is missing rather than half read.
  writeFile(reg, std::string(kHead) + "[Software\\\\Winamp] 1\n@=\"C:\\\\Winamp\n");
  EXPECT_EQ(ReadRegistryDefaultValue(reg.string(), "Software\\Winamp"), "");
  // An empty file and a file with the section as its last line.
  writeFile(reg, "");
  EXPECT_EQ(ReadRegistryDefaultValue(reg.string(), "Software\\Winamp"), "");
  writeFile(reg, "[Software\\\\Winamp]");
  EXPECT_EQ(ReadRegistryDefaultValue(reg.string(), "Software\\Winamp"), "");
}

// Only a regular file below the size bound is read, without blocking: a FIFO, a device and
// an oversized file count as no registry (and start-up goes on).
TEST(RegistryFile, OnlyARegularFileOfSaneSize) {
  TempDir dir;
  const std::string value = "[Software\\\\Winamp] 1\n@=\"C:\\\\Winamp\"\n";
  const fs::path fifo = dir / "fifo.reg";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadRegistryDefaultValue(fifo.string(), "Software\\Winamp"), "");

  const fs::path zero = dir / "zero.reg";
  fs::create_symlink("/dev/zero", zero);
  EXPECT_EQ(ReadRegistryDefaultValue(zero.string(), "Software\\Winamp"), "");
  EXPECT_EQ(ReadRegistryDefaultValue(dir.str(), "Software\\Winamp"), "");

  // The value at the start of a sparse file one byte beyond the bound is not read; at
  // the bound it is.
  const fs::path big = dir / "big.reg";
  writeFile(big, std::string(kHead) + value);
  fs::resize_file(big, static_cast<std::uintmax_t>(kMaxRegistryBytes) + 1);
  EXPECT_EQ(ReadRegistryDefaultValue(big.string(), "Software\\Winamp"), "");
  fs::resize_file(big, static_cast<std::uintmax_t>(kMaxRegistryBytes));
  EXPECT_EQ(ReadRegistryDefaultValue(big.string(), "Software\\Winamp"), "C:\\Winamp");
}

TEST(WinePath, DrivesAndLetterCase) {
  TempDir dir;
  const std::string prefix = dir.str();
  fs::create_directories(dir / "drive_c/Program Files/Winamp");
  fs::create_directories(dir / "dosdevices");
  fs::create_directories(dir / "mnt_d/Apps");
  fs::create_directory_symlink(dir / "mnt_d", dir / "dosdevices/d:");

  EXPECT_EQ(WindowsPathToLinux(prefix, "C:\\Program Files\\Winamp"),
            prefix + "/drive_c/Program Files/Winamp");
  // The names as Windows programs may spell them; trailing and doubled separators go.
  EXPECT_EQ(WindowsPathToLinux(prefix, "c:\\PROGRAM FILES\\winamp\\"),
            prefix + "/drive_c/Program Files/Winamp");
  EXPECT_EQ(WindowsPathToLinux(prefix + "/", "C:/Program Files//Winamp"),
            prefix + "/drive_c/Program Files/Winamp");
  // A name that does not exist is kept as written.
  EXPECT_EQ(WindowsPathToLinux(prefix, "C:\\Program Files\\Gone\\x.mp3"),
            prefix + "/drive_c/Program Files/Gone/x.mp3");
  EXPECT_EQ(WindowsPathToLinux(prefix, "C:"), prefix + "/drive_c");
  // Other drives go through the prefix's drive links.
  EXPECT_EQ(WindowsPathToLinux(prefix, "D:\\apps"), prefix + "/dosdevices/d:/Apps");
  EXPECT_TRUE(fs::is_directory(WindowsPathToLinux(prefix, "d:\\APPS")));
  EXPECT_EQ(WindowsPathToLinux(prefix, "Z:\\home"), prefix + "/dosdevices/z:/home");
  // Nothing that names no drive.
  EXPECT_EQ(WindowsPathToLinux(prefix, "\\\\server\\share\\Winamp"), "");
  EXPECT_EQ(WindowsPathToLinux(prefix, "Winamp"), "");
  EXPECT_EQ(WindowsPathToLinux(prefix, "1:\\x"), "");
  EXPECT_EQ(WindowsPathToLinux(prefix, ""), "");
  EXPECT_EQ(WindowsPathToLinux("", "C:\\Winamp"), "");
}

TEST(WinePrefixFolder, FromEnvironmentAndRegistry) {
  TempDir dir;
  {
    ScopedEnv prefix("WINEPREFIX", (dir / "prefix/").string());
    EXPECT_EQ(WinePrefix(), (dir / "prefix").string());
    // The prefix does not exist yet: no folder, and nothing is created.
    EXPECT_EQ(WinampFolderFromRegistry(), "");
    EXPECT_FALSE(fs::exists(dir / "prefix"));

    fs::create_directories(dir / "prefix/drive_c/Program Files/Winamp");
    writeFile(
        dir / "prefix/user.reg",
        std::string(kHead) + "[Software\\\\Winamp] 1\n@=\"C:\\\\Program Files\\\\Winamp\\\\\"\n");
    const std::string before = readFile(dir / "prefix/user.reg");
    EXPECT_EQ(WinampFolderFromRegistry(), (dir / "prefix/drive_c/Program Files/Winamp").string());
    EXPECT_EQ(readFile(dir / "prefix/user.reg"), before);  // read only
  }
  {
    // Without WINEPREFIX the prefix is ~/.wine.
    ScopedEnv prefix("WINEPREFIX", std::nullopt);
    ScopedEnv home("HOME", dir.str());
    EXPECT_EQ(WinePrefix(), dir.str() + "/.wine");
    EXPECT_EQ(WinampFolderFromRegistry(), "");
    fs::create_directories(dir / ".wine");
    writeFile(dir / ".wine/user.reg", std::string(kHead) + "[Software\\\\Winamp] 1\n@=\"\"\n");
    EXPECT_EQ(WinampFolderFromRegistry(), "");  // an empty value is no folder
    writeFile(dir / ".wine/user.reg",
              std::string(kHead) + "[Software\\\\Winamp] 1\n@=\"\\\\\\\\server\\\\Winamp\"\n");
    EXPECT_EQ(WinampFolderFromRegistry(), "");  // neither is a network path
  }
  {
    ScopedEnv prefix("WINEPREFIX", std::string());
    ScopedEnv home("HOME", std::string());
    EXPECT_EQ(WinePrefix(), "");
    EXPECT_EQ(WinampFolderFromRegistry(), "");
  }
}

}  // namespace
