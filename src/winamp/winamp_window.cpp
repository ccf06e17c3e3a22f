#include "winamp/winamp_window.h"

bool NativeWinampWindow::FindWindowByClass(const std::string&) {
  return false;
}

std::int32_t NativeWinampWindow::Send(std::uint32_t, std::uint64_t, std::int64_t) {
  // Never reached: no window is ever found here.
  return 0;
}
