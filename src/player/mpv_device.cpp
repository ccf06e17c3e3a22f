#include "player/mpv_device.h"

#include <mpv/client.h>

#include <QElapsedTimer>
#include <QMetaObject>
#include <clocale>
#include <cmath>
#include <cstdio>

namespace {
void wakeup(void* context) {
  // Runs on one of mpv's threads: only post; the events are read on the UI thread.
  auto* device = static_cast<MpvDevice*>(context);
  QMetaObject::invokeMethod(
      device, [device] { device->DrainEvents(); }, Qt::QueuedConnection);
}

std::int64_t toMs(double seconds) {
  if (!(seconds > 0) || !std::isfinite(seconds)) return 0;
  return static_cast<std::int64_t>(std::llround(seconds * 1000.0));
}
}  // namespace

MpvDevice::MpvDevice(std::map<std::string, std::string> options) : options_(std::move(options)) {}

MpvDevice::~MpvDevice() {
  if (mpv_) {
    mpv_set_wakeup_callback(mpv_, nullptr, nullptr);
    mpv_terminate_destroy(mpv_);
    mpv_ = nullptr;
  }
}

std::map<std::string, std::string> MpvDevice::SilentOptions() {
  return {{"ao", "null"}, {"vo", "null"}, {"vid", "no"}};
}

bool MpvDevice::Available(std::string* error) {
  const bool ok = start();
  if (!ok && error) *error = startError_;
  return ok;
}

bool MpvDevice::start() {
  if (tried_) return mpv_ != nullptr;
  tried_ = true;
  // mpv refuses to start unless numbers are formatted the C way; the program takes the
  // user's decimal separator from the locale settings, never from the process locale.
  std::setlocale(LC_NUMERIC, "C");
  mpv_ = mpv_create();
  if (!mpv_) {
    startError_ = "mpv could not be created";
    return false;
  }
  // A preview of audio files: no video window, no scripts, nothing fetched from the net.
  std::map<std::string, std::string> opts = {{"keep-open", "yes"},   {"idle", "yes"},
                                             {"vid", "no"},          {"ytdl", "no"},
                                             {"load-scripts", "no"}, {"terminal", "no"}};
  for (const auto& [k, v] : options_) opts[k] = v;
  opts["keep-open"] = "yes";
  for (const auto& [k, v] : opts) {
    const int r = mpv_set_option_string(mpv_, k.c_str(), v.c_str());
    if (r < 0 && k != "ytdl" && k != "load-scripts") {
      startError_ = "mpv option " + k + "=" + v + ": " + mpv_error_string(r);
      mpv_terminate_destroy(mpv_);
      mpv_ = nullptr;
      return false;
    }
  }
  const int r = mpv_initialize(mpv_);
  if (r < 0) {
    startError_ = std::string("mpv could not start: ") + mpv_error_string(r);
    mpv_terminate_destroy(mpv_);
    mpv_ = nullptr;
    return false;
  }
  // Changes of these come as events, so the player hears of the end of a track, of a
  // finished seek and of a pause at once.
  mpv_observe_property(mpv_, 0, "eof-reached", MPV_FORMAT_FLAG);
  mpv_observe_property(mpv_, 0, "pause", MPV_FORMAT_FLAG);
  mpv_observe_property(mpv_, 0, "seeking", MPV_FORMAT_FLAG);
  mpv_set_wakeup_callback(mpv_, &wakeup, this);
  return true;
}

void MpvDevice::DrainEvents() {
  bool any = false;
  while (mpv_) {
    mpv_event* e = mpv_wait_event(mpv_, 0);
    if (e->event_id == MPV_EVENT_NONE) break;
    any = true;
    if (e->event_id == MPV_EVENT_END_FILE) {
      const auto* end = static_cast<const mpv_event_end_file*>(e->data);
      // The open file was dropped by mpv (a read or decode error): nothing is ready now.
      if (loaded_ && end->playlist_entry_id == entryId_) loaded_ = false;
    } else if (e->event_id == MPV_EVENT_PLAYBACK_RESTART) {
      seekPending_ = false;
    }
  }
  if (any) notify();
}

bool MpvDevice::Open(const std::string& fileName, std::string& error) {
  error.clear();
  Close();
  if (!start()) {
    error = startError_;
    return false;
  }
  // The file loads paused; Play starts it.
  setPause(true);
  const char* cmd[] = {"loadfile", fileName.c_str(), "replace", nullptr};
  const int r = mpv_command(mpv_, cmd);
  if (r < 0) {
    error = mpv_error_string(r);
    return false;
  }
  QElapsedTimer clock;
  clock.start();
  std::int64_t id = -1;
  bool loadedSeen = false;
  for (;;) {
    const qint64 left = openTimeoutMs_ - clock.elapsed();
    if (left <= 0) {
      error = "no answer from mpv in time";
      const char* stop[] = {"stop", nullptr};
      mpv_command(mpv_, stop);
      return false;
    }
    mpv_event* e = mpv_wait_event(mpv_, static_cast<double>(left) / 1000.0);
    switch (e->event_id) {
      case MPV_EVENT_START_FILE:
        id = static_cast<const mpv_event_start_file*>(e->data)->playlist_entry_id;
        break;
      case MPV_EVENT_FILE_LOADED:
        if (id >= 0) loadedSeen = true;
        break;
      case MPV_EVENT_PLAYBACK_RESTART:
        // Loaded and decoded up to the start: the file is ready to play. Without a working
        // audio output mpv has dropped the audio by now and ends the file right after.
        if (!loadedSeen || !hasAudioOutput()) break;
        fileName_ = fileName;
        loaded_ = true;
        started_ = false;
        seekPending_ = false;
        entryId_ = id;
        return true;
      case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(e->data);
        if (id < 0 || end->playlist_entry_id != id) break;  // the file closed before this one
        error = end->reason == MPV_END_FILE_REASON_ERROR ? mpv_error_string(end->error)
                                                         : "the file ended before it was loaded";
        return false;
      }
      case MPV_EVENT_SHUTDOWN:
        error = "mpv shut down";
        return false;
      default:
        break;
    }
  }
}

void MpvDevice::Close() {
  if (fileName_.empty() && !loaded_) return;
  fileName_.clear();
  loaded_ = false;
  started_ = false;
  seekPending_ = false;
  entryId_ = -1;
  if (!mpv_) return;
  const char* stop[] = {"stop", nullptr};
  mpv_command(mpv_, stop);
}

void MpvDevice::setPause(bool pause) {
  if (!mpv_) return;
  int value = pause ? 1 : 0;
  mpv_set_property(mpv_, "pause", MPV_FORMAT_FLAG, &value);
}

void MpvDevice::Play() {
  if (!loaded_) return;
  started_ = true;
  setPause(false);
}

void MpvDevice::Pause() {
  if (loaded_) setPause(true);
}

void MpvDevice::Resume() {
  if (loaded_) setPause(false);
}

void MpvDevice::Seek(std::int64_t ms) {
  if (!loaded_) return;
  // Written without the process locale: mpv reads the point as the decimal separator.
  char seconds[32];
  const std::int64_t at = ms < 0 ? 0 : ms;
  std::snprintf(seconds, sizeof seconds, "%lld.%03d", static_cast<long long>(at / 1000),
                static_cast<int>(at % 1000));
  const char* cmd[] = {"seek", seconds, "absolute+exact", nullptr};
  // mpv's own seeking flag rises a little later; until the seek is done the device seeks.
  if (mpv_command(mpv_, cmd) >= 0) seekPending_ = true;
}

bool MpvDevice::hasAudioOutput() {
  char* ao = mpv_get_property_string(mpv_, "current-ao");
  const bool has = ao && *ao;
  mpv_free(ao);
  return has;
}

bool MpvDevice::flag(const char* name) {
  int value = 0;
  if (!mpv_ || mpv_get_property(mpv_, name, MPV_FORMAT_FLAG, &value) < 0) return false;
  return value != 0;
}

double MpvDevice::number(const char* name) {
  double value = 0;
  if (!mpv_ || mpv_get_property(mpv_, name, MPV_FORMAT_DOUBLE, &value) < 0) return 0;
  return value;
}

int MpvDevice::Mode() {
  if (fileName_.empty() || !loaded_ || !mpv_) return kModeNotReady;
  if (seekPending_ || flag("seeking")) return kModeSeeking;
  if (flag("eof-reached") || !started_) return kModeStopped;
  if (flag("pause")) return kModePaused;
  return kModePlaying;
}

std::int64_t MpvDevice::Length() {
  if (!loaded_) return 0;
  return toMs(number("duration"));
}

std::int64_t MpvDevice::Position() {
  if (!loaded_) return 0;
  // At the end mpv's position may stop a few milliseconds short of the duration; the end
  // of a track is where its length says.
  if (flag("eof-reached")) return Length();
  const std::int64_t pos = toMs(number("time-pos"));
  const std::int64_t len = Length();
  return len > 0 && pos > len ? len : pos;
}
