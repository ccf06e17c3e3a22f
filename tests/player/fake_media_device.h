#pragma once
// A media device without sound for tests. It keeps the state the libmpv device reads from
// mpv (loaded, started, paused, at the end, seeking) and changes it as mpv does with
// keep-open, so the player meets here what it meets in use: a file loads paused and not
// started (stopped); Play unpauses; at the end mpv pauses and stays at the end (stopped,
// position = length); a seek runs until FinishSeek, leaves the end and keeps the pause as
// it was, so a track that ended is paused after a seek until it is played again.
// Files open unless listed as broken, each with the length given to it (or the default).
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
    paused = true;
    started = false;
    atEnd = false;
    seeking = false;
    sync();
    return true;
  }
  void Close() override {
    if (!file.empty()) ++closes;
    file.clear();
    position = 0;
    length = 0;
    seeking = false;
    sync();
  }
  void Play() override {
    if (file.empty()) return;
    ++plays;
    started = true;
    paused = false;
    sync();
  }
  void Pause() override {
    if (file.empty()) return;
    paused = true;
    sync();
  }
  void Resume() override {
    if (file.empty()) return;
    paused = false;
    sync();
  }
  void Seek(std::int64_t ms) override {
    if (file.empty()) return;
    seeks.push_back(ms);
    position = ms < 0 ? 0 : (ms < length ? ms : length);
    atEnd = false;
    seeking = true;
    sync();
    // mpv tells of a finished seek later, from its event queue, never inside the call.
    if (instantSeeks) endSeek();
  }
  void SetTimeFormatMilliseconds() override { milliseconds = true; }
  int Mode() override { return mode; }
  std::int64_t Length() override { return file.empty() ? 0 : length; }
  std::int64_t Position() override { return file.empty() ? 0 : position; }
  std::string FileName() const override { return file; }

  // The seek is done (mpv's playback restart): a seek to the length ends the track again.
  void FinishSeek() {
    if (!seeking) return;
    endSeek();
    notify();
  }
  // The track played to its end: paused at its length, and the device says so.
  void PlayToEnd() {
    position = length;
    reachEnd();
    sync();
    notify();
  }
  void Notify() { notify(); }

  std::map<std::string, std::int64_t> lengths;
  std::set<std::string> broken;
  std::int64_t defaultLength = 242000;
  // False: a seek stays under way until the test calls FinishSeek, as mpv's does for a
  // moment; true: it is done when Seek returns.
  bool instantSeeks = true;
  std::vector<std::string> opened;
  std::vector<std::int64_t> seeks;
  std::string file;
  // The mode as the device reports it, made from the state below after every change; a
  // test may set it to show the player a mode directly.
  int mode = kModeNotReady;
  std::int64_t position = 0;
  std::int64_t length = 0;
  bool paused = true;
  bool started = false;
  bool atEnd = false;
  bool seeking = false;
  int plays = 0;
  int closes = 0;
  bool milliseconds = false;

 private:
  void endSeek() {
    seeking = false;
    if (length > 0 && position >= length) reachEnd();
    sync();
  }
  void reachEnd() {
    atEnd = true;
    paused = true;  // keep-open pauses at the end
  }
  // The same order of questions as MpvDevice::Mode.
  void sync() {
    if (file.empty())
      mode = kModeNotReady;
    else if (seeking)
      mode = kModeSeeking;
    else if (atEnd || !started)
      mode = kModeStopped;
    else if (paused)
      mode = kModePaused;
    else
      mode = kModePlaying;
  }
};
