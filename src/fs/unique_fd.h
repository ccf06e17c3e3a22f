#pragma once
// The one owner of an open file descriptor: closes it (through the active FsCalls) when
// it goes, moves but never copies. -1 is "no descriptor".
#include <utility>

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { close(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      close();
      fd_ = other.release();
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Hands the descriptor over; this owner holds none after.
  int release() { return std::exchange(fd_, -1); }
  // Closes now and answers as close does (0, or -1 with errno): a write error may show
  // only here. Without a descriptor, 0.
  int close();

 private:
  int fd_ = -1;
};
