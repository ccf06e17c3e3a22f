// The command line, the data folder and the "OS:" text of the log header.
#include "app/startup_options.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/data_folder.h"
#include "app/os_text.h"
#include "test_support.h"

namespace fs = std::filesystem;

TEST(StartupOptions, LogsSwitchTakesDashSlashOrDoubleDashInAnyCase) {
  for (const char* a : {"-logs", "/logs", "-LOGS", "/LoGs", "--logs", "--LOGS"})
    EXPECT_TRUE(IsLogsSwitch(a)) << a;
  for (const char* a : {"logs", "-log", "-logs2", "/logs/", "", "-", "---logs", "\\logs"})
    EXPECT_FALSE(IsLogsSwitch(a)) << a;
}

TEST(StartupOptions, ProgramNameIsNeverTakenForASwitch) {
  // The executable itself may well be called "-logs"; only arguments after it count.
  EXPECT_FALSE(ParseStartupOptions({"-logs"}).logs);
  EXPECT_TRUE(ParseStartupOptions({"tavel", "x", "/LOGS"}).logs);
  EXPECT_FALSE(ParseStartupOptions({"tavel"}).logs);
}

TEST(StartupOptions, SplashCountdownKeepsSixSecondsUnlessAskedAndRejectsBadValues) {
  EXPECT_EQ(ParseStartupOptions({"tavel"}).splashMs, 6000);
  EXPECT_EQ(ParseStartupOptions({"tavel", "--splash-ms=0"}).splashMs, 0);
  EXPECT_EQ(ParseStartupOptions({"tavel", "--SPLASH-MS=250"}).splashMs, 250);
  EXPECT_EQ(ParseStartupOptions({"tavel", "--splash-ms=6000"}).splashMs, 6000);
  for (const char* bad : {"--splash-ms=", "--splash-ms=-1", "--splash-ms=abc", "--splash-ms=12x",
                          "--splash-ms=6001", "--splash-ms=99999999999"}) {
    StartupOptions o = ParseStartupOptions({"tavel", bad});
    EXPECT_EQ(o.splashMs, 6000) << bad;
    ASSERT_EQ(o.warnings.size(), 1u) << bad;
    EXPECT_NE(o.warnings[0].find(bad), std::string::npos);
  }
  // The last valid value wins; the logs switch is read alongside.
  StartupOptions o = ParseStartupOptions({"tavel", "--splash-ms=10", "-logs", "--splash-ms=20"});
  EXPECT_EQ(o.splashMs, 20);
  EXPECT_TRUE(o.logs);
  EXPECT_TRUE(o.warnings.empty());
}

TEST(StartupOptions, HelpVersionPathsAndUnknownSwitches) {
  EXPECT_TRUE(ParseStartupOptions({"tavel", "--help"}).help);
  EXPECT_TRUE(ParseStartupOptions({"tavel", "-h"}).help);
  EXPECT_TRUE(ParseStartupOptions({"tavel", "--version"}).version);
  EXPECT_TRUE(ParseStartupOptions({"tavel", "-v"}).version);
  EXPECT_TRUE(ParseStartupOptions({"tavel", "-version"}).version);
  EXPECT_FALSE(ParseStartupOptions({"tavel", "a", "b"}).help);
  EXPECT_EQ(VersionText(), "Vo Tavel 0.9.2");
  // The usage line names the program as it was called, and every switch is described.
  const std::string help = ParseStartupOptions({"/usr/bin/tavel"}).helpText;
  EXPECT_EQ(help.rfind("Usage: tavel [options] [paths...]", 0), 0u) << help;
  for (const char* s : {"--help", "--version", "--logs", "--splash-ms <ms>", "paths"})
    EXPECT_NE(help.find(s), std::string::npos) << s;

  // Paths keep their order, relative ones are taken from the current folder, and after
  // "--" even names that look like switches are paths.
  const std::string cwd = std::filesystem::current_path().string();
  StartupOptions o = ParseStartupOptions(
      {"tavel", "/music/Album", "list.m3u", "-logs", "--splash-ms", "0", "--", "-logs", "--help"});
  EXPECT_TRUE(o.logs);
  EXPECT_FALSE(o.help);
  EXPECT_EQ(o.splashMs, 0);
  EXPECT_EQ(o.paths, (std::vector<std::string>{"/music/Album", cwd + "/list.m3u", cwd + "/-logs",
                                               cwd + "/--help"}));
  EXPECT_TRUE(o.warnings.empty());

  // An unknown switch is reported and ignored; the paths around it still count.
  o = ParseStartupOptions({"tavel", "--frobnicate", "/a", "-x"});
  EXPECT_EQ(o.paths, std::vector<std::string>{"/a"});
  ASSERT_EQ(o.warnings.size(), 2u);
  EXPECT_NE(o.warnings[0].find("--frobnicate"), std::string::npos);
  // A splash switch without its value is reported too.
  o = ParseStartupOptions({"tavel", "--splash-ms"});
  EXPECT_EQ(o.splashMs, 6000);
  EXPECT_EQ(o.warnings.size(), 1u);
}

TEST(StartupOptions, CommandLineTextQuotesArgumentsWithBlanks) {
  EXPECT_EQ(JoinCommandLine({"/opt/tavel/tavel", "-logs"}), "/opt/tavel/tavel -logs");
  EXPECT_EQ(JoinCommandLine({"/my apps/tavel", "", "a\tb"}), "\"/my apps/tavel\" \"\" \"a\tb\"");
  EXPECT_EQ(JoinCommandLine({}), "");
  EXPECT_EQ(ParseStartupOptions({"t", "/logs"}).commandLine, "t /logs");
}

TEST(DataFolder, TavelHomeWinsThenPortableExeFolderThenXdgThenHome) {
  DataFolderInputs in;
  in.tavelHome = "/data/tavel//";
  in.exeFolder = "/opt/tavel";
  in.exeFolderPortable = true;
  in.xdgDataHome = "/xdg";
  in.home = "/home/u";
  EXPECT_EQ(ChooseDataFolder(in), "/data/tavel");
  in.tavelHome.clear();
  EXPECT_EQ(ChooseDataFolder(in), "/opt/tavel");
  in.exeFolderPortable = false;
  EXPECT_EQ(ChooseDataFolder(in), "/xdg/tavel");
  in.xdgDataHome = "relative/xdg";  // not absolute: ignored
  EXPECT_EQ(ChooseDataFolder(in), "/home/u/.local/share/tavel");
  in.xdgDataHome = "/xdg/\\";
  EXPECT_EQ(ChooseDataFolder(in), "/xdg/tavel");
  in.xdgDataHome.clear();
  in.home = "/";
  EXPECT_EQ(ChooseDataFolder(in), "/.local/share/tavel");
  in.home.clear();
  EXPECT_EQ(ChooseDataFolder(in), "");
  in.tavelHome = "/";
  EXPECT_EQ(ChooseDataFolder(in), "/");
}

TEST(DataFolder, IsCreatedWithItsLogsFolderAndFailureIsReported) {
  TempDir tmp;
  const std::string folder = (tmp / "a" / "b").string();
  EXPECT_TRUE(EnsureDataFolder(folder));
  EXPECT_TRUE(std::filesystem::is_directory(tmp / "a" / "b" / "Logs"));
  EXPECT_TRUE(EnsureDataFolder(folder));  // existing: fine
  EXPECT_EQ(LogsFolderOf(folder), folder + "/Logs");
  EXPECT_EQ(LogsFolderOf("/"), "/Logs");
  EXPECT_FALSE(EnsureDataFolder(""));
  writeFile(tmp / "file", "x");  // a file where the folder should be
  EXPECT_FALSE(EnsureDataFolder((tmp / "file").string()));
  EXPECT_EQ(PrepareDataFolder((tmp / "file").string()).problem, DataFolderProblem::NotAFolder);
  EXPECT_EQ(PrepareDataFolder((tmp / "file" / "sub").string()).problem,
            DataFolderProblem::NotAFolder);
  EXPECT_EQ(PrepareDataFolder("").problem, DataFolderProblem::NoFolder);
  // A file where the Logs folder should be.
  fs::create_directories(tmp / "d");
  writeFile(tmp / "d" / "Logs", "x");
  EXPECT_EQ(PrepareDataFolder((tmp / "d").string()).problem, DataFolderProblem::NotAFolder);
  // No probe file is left behind.
  EXPECT_TRUE(PrepareDataFolder(folder).usable());
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// The portable marker and a configuration left by an earlier run keep the data beside the
// executable; a folder the user merely may write to does not.
TEST(DataFolder, TheExecutablesFolderIsPortableOnlyWhenItSaysSo) {
  TempDir tmp;
  DataFolderInputs in;
  in.exeFolder = tmp.str();
  in.home = "/home/u";
  auto portable = [&] {
    in.exeFolderPortable = fs::exists(tmp / kPortableMarker) || fs::exists(tmp / "conf5.kro");
    return ChooseDataFolder(in) == tmp.str();
  };
  EXPECT_FALSE(portable());
  writeFile(tmp / "conf5.kro", "");
  EXPECT_TRUE(portable());
  fs::remove(tmp / "conf5.kro");
  writeFile(tmp / kPortableMarker, "");
  EXPECT_TRUE(portable());
}

TEST(OSText, PlatformIdsAndFormat) {
  EXPECT_EQ(FormatOSText(0, "", {3, 1, 0}), "Win32S  (3.1.0)");
  EXPECT_EQ(FormatOSText(1, "B", {4, 10, 2222}), "Win95 B (4.10.2222)");
  EXPECT_EQ(FormatOSText(2, "Service Pack 3", {5, 1, 2600}), "WinNT Service Pack 3 (5.1.2600)");
  const std::string unknown = FormatOSText(3, "x", {1, 2, 3});
  EXPECT_EQ(unknown.rfind("?3? ", 0), 0u) << unknown;
  EXPECT_EQ(PlatformName(-1), "?-1?");
  EXPECT_EQ(FormatOSText("Linux", "Debian GNU/Linux 12 (bookworm)", {6, 1, 0}),
            "Linux Debian GNU/Linux 12 (bookworm) (6.1.0)");
}

TEST(OSText, ReadsOsReleaseAndKernelRelease) {
  EXPECT_EQ(OsReleaseDescription("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 "
                                 "(bookworm)\"\nID=debian\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(OsReleaseDescription("# comment\r\nNAME=Fedora\r\nVERSION='39 (Workstation)'\r\n"),
            "Fedora 39 (Workstation)");
  EXPECT_EQ(OsReleaseDescription("PRETTY_NAME=\"A \\\"quoted\\\" name\"\n"), "A \"quoted\" name");
  EXPECT_EQ(OsReleaseDescription("PRETTY_NAME=\"\"\nNAME=Arch\n"), "Arch");
  EXPECT_EQ(OsReleaseDescription("garbage without equals\n\n"), "");
  EXPECT_EQ(OsReleaseDescription(""), "");

  auto v = ParseKernelRelease("6.1.0-18-amd64");
  EXPECT_EQ(v.major, 6);
  EXPECT_EQ(v.minor, 1);
  EXPECT_EQ(v.build, 0);
  v = ParseKernelRelease("5.10");
  EXPECT_EQ(v.major, 5);
  EXPECT_EQ(v.minor, 10);
  EXPECT_EQ(v.build, 0);
  v = ParseKernelRelease("6.18.44+deb13");
  EXPECT_EQ(v.build, 44);
  v = ParseKernelRelease("weird");
  EXPECT_EQ(v.major + v.minor + v.build, 0);
  v = ParseKernelRelease("99999999999999.1.1");  // absurdly long numbers do not overflow
  EXPECT_GT(v.major, 0);
  EXPECT_EQ(v.minor, 1);

  const std::string os = GetOSText();
  EXPECT_FALSE(os.empty());
  EXPECT_NE(os.find(" ("), std::string::npos);
  EXPECT_EQ(os.back(), ')');
}
