#pragma once
// The media device the preview player plays through: one open file at a time, positions
// and lengths in milliseconds, and a mode that the player reads on every tick. The real
// device is libmpv (mpv_device.h); tests use FakeMediaDevice.
#include <cstdint>
#include <functional>
#include <string>

// Device modes as the player reads them.
constexpr int kModeNotReady = 0;
constexpr int kModeStopped = 1;  // also: played to its end and kept open
constexpr int kModePlaying = 2;
constexpr int kModeRecording = 3;
constexpr int kModeSeeking = 4;
constexpr int kModePaused = 5;
constexpr int kModeOpen = 6;  // opening, the file is not loaded yet

class IMediaDevice {
 public:
  virtual ~IMediaDevice() = default;

  // Opens `fileName`, closing an open file first, and returns once the device has answered:
  // true when the file is loaded (not yet playing), false with the device's own message in
  // `error` otherwise (nothing is open then).
  virtual bool Open(const std::string& fileName, std::string& error) = 0;
  // Closes the open file; nothing when none is open.
  virtual void Close() = 0;
  virtual void Play() = 0;
  virtual void Pause() = 0;
  virtual void Resume() = 0;
  // Moves to `ms` milliseconds from the start.
  virtual void Seek(std::int64_t ms) = 0;
  // Positions and lengths are in milliseconds from here on; the device keeps no other unit,
  // the call exists so that start-up states it.
  virtual void SetTimeFormatMilliseconds() = 0;

  virtual int Mode() = 0;
  // Milliseconds; 0 when unknown or when no file is open. At the end of a file the
  // position equals the length.
  virtual std::int64_t Length() = 0;
  virtual std::int64_t Position() = 0;
  // The file that is open; empty when none.
  virtual std::string FileName() const = 0;

  // Called on the user-interface thread whenever the device's state may have changed
  // (loaded, paused, seek done, end of file).
  void setNotify(std::function<void()> notify) { notify_ = std::move(notify); }

 protected:
  void notify() {
    if (notify_) notify_();
  }

 private:
  std::function<void()> notify_;
};
