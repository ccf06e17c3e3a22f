// Memory of the real program holding a large work list, as the user runs it: a work list of
// N entries (default 100,000) is written to .worklist.kro in a fresh program folder
// (TAVEL_HOME), bin/tavel is started on the display with it, and once its window is up and
// its memory has settled the window is closed the way a window manager closes it (the exit
// question is switched off in the configuration), so the list is saved on the way out.
//
//   program_memory [entries] [path/to/tavel]      (run under xvfb-run)
//
// Reported: the resident set (VmRSS) while running with the list shown, the peak (VmHWM)
// after start-up, and the peak over the whole life including the save on exit (VmHWM read
// until the process ends, and the kernel's own maximum from wait4). The saved list is loaded
// again afterwards to check that it holds every entry.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/configuration.h"
#include "app/program_version.h"
#include "worklist/playlist.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

long statusKb(pid_t pid, const char* key) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  const std::size_t n = std::strlen(key);
  while (std::getline(in, line))
    if (line.compare(0, n, key) == 0) return std::stol(line.substr(n));
  return -1;
}

// The same entries as view_bench list: a path, a description, a size, a length, every
// third entry ticked.
void writeWorkList(const std::string& file, int count) {
  TkroPlayList list;
  for (int i = 0; i < count; ++i)
    list.Add("/media/music/Artist " + std::to_string(i / 1000) + "/Album/" + std::to_string(i) +
                 " Some Track Title.mp3",
             "", "Artist " + std::to_string(i / 1000) + " - Some Track Title " + std::to_string(i),
             4000000 + i, 200 + i % 300, (i % 3) ? FLAG_MARKED : 0);
  if (list.SaveToFile(file, kWorkListSaveMode) > 0) {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    std::exit(1);
  }
}

void switchOffExitQuestion(const std::string& home) {
  ConfLoadResult conf = ConfLoad(home);
  conf.store->System->WriteValue(kKeyExitConfirm, KroValue(false));
  if (conf.store->SaveToFile(ConfFilePath(home), kConfSaveMode) > 0) {
    std::fprintf(stderr, "cannot write the configuration\n");
    std::exit(1);
  }
}

// The program's main window: a viewable top-level window with the program's title.
Window findMainWindow(Display* d) {
  Window root = DefaultRootWindow(d), parent = 0, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (!XQueryTree(d, root, &root, &parent, &children, &count)) return 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
    char* name = nullptr;
    if (XFetchName(d, children[i], &name) && name) {
      if (std::strcmp(name, kProgramTitle) == 0) found = children[i];
      XFree(name);
    }
  }
  if (children) XFree(children);
  return found;
}

void closeWindow(Display* d, Window w) {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
}

double mib(long kb) {
  return kb / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
  const std::string program =
      argc > 2 ? argv[2]
               : (fs::canonical("/proc/self/exe").parent_path() / "../bin/tavel").string();
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    std::fprintf(stderr, "no display: run under xvfb-run -a -s '-screen 0 1280x1024x24'\n");
    return 2;
  }
  std::printf("program_memory: %s with a work list of %d entries loaded at start-up\n",
              program.c_str(), count);
  std::printf(
      "  resident set of the program itself (/proc/<pid>/status), closed through its\n"
      "  window so the list is saved on exit; the peak includes that save\n");

  std::string home = (fs::temp_directory_path() / "tavel-program-memory-XXXXXX").string();
  if (!::mkdtemp(home.data())) return 1;
  const std::string listFile = home + "/" + kWorkListFileName;
  writeWorkList(listFile, count);
  switchOffExitQuestion(home);

  const auto start = Clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("TAVEL_HOME", home.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);  // on the display, as a user runs it
    ::execl(program.c_str(), program.c_str(), "--splash-ms=0", static_cast<char*>(nullptr));
    std::perror("exec");
    ::_exit(127);
  }

  // Up: the main window shows and the resident set has not moved by 1 MiB for two seconds.
  Window main = 0;
  long last = -1;
  auto steadySince = Clock::now();
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (::waitpid(pid, nullptr, WNOHANG) == pid) {
      std::fprintf(stderr, "the program ended by itself\n");
      return 1;
    }
    if (!main) {
      // A connection of its own each look: the server's answers are then fresh.
      Display* look = XOpenDisplay(nullptr);
      main = look ? findMainWindow(look) : 0;
      if (look) XCloseDisplay(look);
    }
    const long rss = statusKb(pid, "VmRSS:");
    if (std::labs(rss - last) > 1024) {  // moves of less than 1 MiB are the program idling
      last = rss;
      steadySince = Clock::now();
    }
    if (main && Clock::now() - steadySince > std::chrono::seconds(2)) break;
    if (Clock::now() - start > std::chrono::minutes(3)) {
      std::fprintf(stderr, "the program did not settle in three minutes\n");
      ::kill(pid, SIGKILL);
      return 1;
    }
  }
  const long running = statusKb(pid, "VmRSS:");
  const long startPeak = statusKb(pid, "VmHWM:");

  closeWindow(display, main);
  long peak = startPeak;
  int status = 0;
  rusage usage{};
  for (;;) {
    const long hwm = statusKb(pid, "VmHWM:");
    if (hwm > peak) peak = hwm;
    const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const long kernelPeak = usage.ru_maxrss;  // kB, the same high-water mark as VmHWM

  std::printf("  running, list shown      VmRSS %7.1f MiB\n", mib(running));
  std::printf("  peak after start-up      VmHWM %7.1f MiB\n", mib(startPeak));
  std::printf(
      "  peak with the exit save  VmHWM %7.1f MiB (last read before the end), "
      "ru_maxrss %.1f MiB\n",
      mib(peak), mib(kernelPeak));
  std::printf("  exit status %d\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1);

  TkroPlayList back;
  const bool loaded = back.LoadFromFile(listFile, kWorkListLoadMode) <= 0;
  back.UpdateCachedLinks();
  std::printf("  saved list loads again: %s, %d entries\n", loaded ? "yes" : "NO",
              back.EntryCount());
  std::error_code ec;
  fs::remove_all(home, ec);
  XCloseDisplay(display);
  return loaded && back.EntryCount() == count ? 0 : 1;
}
