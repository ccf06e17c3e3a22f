#pragma once
// The link to Winamp's main window: find it by its window class, send it a message and
// take the answer. The import only talks to this interface, so it runs the same with the
// platform's link and with a scripted one.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Winamp's main window class and the two messages the import sends.
inline constexpr const char* kWinampWindowClass = "Winamp v1.x";
inline constexpr std::uint32_t kWmUser = 0x0400;
inline constexpr std::int64_t kWinampWritePlaylist = 120;  // lParam: write Winamp.m3u

class IWinampWindow {
 public:
  virtual ~IWinampWindow() = default;
  // Looks for a top-level window of the class (no title); true when one was found. The
  // messages go to the window found last.
  virtual bool FindWindowByClass(const std::string& windowClass) = 0;
  // Sends a message and waits for the window's 32-bit answer.
  virtual std::int32_t Send(std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) = 0;
};

// This system's link. A Winamp running under Wine has no window a native program can
// message, so none is ever found; the import then reads the playlist Winamp wrote last.
class NativeWinampWindow : public IWinampWindow {
 public:
  bool FindWindowByClass(const std::string& windowClass) override;
  std::int32_t Send(std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) override;
};

// A scripted Winamp: found or not, answering each message through `answer` (0 when unset)
// and keeping every message it was sent.
class FakeWinampWindow : public IWinampWindow {
 public:
  struct Message {
    std::uint32_t message;
    std::uint64_t wParam;
    std::int64_t lParam;
  };
  bool running = false;
  std::function<std::int32_t(const Message&)> answer;
  std::vector<std::string> searchedClasses;
  std::vector<Message> sent;

  bool FindWindowByClass(const std::string& windowClass) override {
    searchedClasses.push_back(windowClass);
    return running;
  }
  std::int32_t Send(std::uint32_t message, std::uint64_t wParam, std::int64_t lParam) override {
    sent.push_back({message, wParam, lParam});
    return answer ? answer(sent.back()) : 0;
  }
};
