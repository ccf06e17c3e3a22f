#pragma once
// A media device without sound for tests: files open unless listed as broken, each has the
// length given to it (or the default), and the test moves the position and ends a track.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "player/media_device.h"

class FakeMediaDevice : public IMediaDevice {
 public:
  bool Open(const std::string& fileName, std::string& error) override {
    Close();
    opened.push_back(fileName);
    if (broken.count(fileName)) {
      error = "cannot open " + fileName;
      return false;
    }
    file = fileName;
    auto it = lengths.find(fileName);
    length = it == lengths.end() ? defaultLength : it->second;
    position = 0;
    mode = kModeStopped;
    return true;
  }
  void Close() override {
    if (!file.empty()) ++closes;
    file.clear();
    mode = kModeNotReady;
    position = 0;
    length = 0;
  }
  void Play() override {
    if (file.empty()) return;
    ++plays;
    if (length == 0 || position < length) mode = kModePlaying;
  }
  void Pause() override {
    if (mode == kModePlaying) mode = kModePaused;
  }
  void Resume() override {
    if (mode == kModePaused) mode = kModePlaying;
  }
  void Seek(std::int64_t ms) override {
    if (file.empty()) return;
    seeks.push_back(ms);
    position = ms < length ? ms : length;
    // A seek stops the device until it is played again, as a media device does.
    mode = kModeStopped;
  }
  void SetTimeFormatMilliseconds() override { milliseconds = true; }
  int Mode() override { return mode; }
  std::int64_t Length() override { return file.empty() ? 0 : length; }
  std::int64_t Position() override { return file.empty() ? 0 : position; }
  std::string FileName() const override { return file; }

  // The track played to its end: stopped at its length, and the device says so.
  void PlayToEnd() {
    position = length;
    mode = kModeStopped;
    notify();
  }
  void Notify() { notify(); }

  std::map<std::string, std::int64_t> lengths;
  std::set<std::string> broken;
  std::int64_t defaultLength = 242000;
  std::vector<std::string> opened;
  std::vector<std::int64_t> seeks;
  std::string file;
  int mode = kModeNotReady;
  std::int64_t position = 0;
  std::int64_t length = 0;
  int plays = 0;
  int closes = 0;
  bool milliseconds = false;
};
