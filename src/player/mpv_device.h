#pragma once
// The media device on libmpv. mpv runs its own threads; its wakeup callback only posts a
// queued call to the Qt event loop, which drains mpv's events on the user-interface thread
// and tells the player (the device notification). The mpv instance is made on first use, so
// a program that never plays never touches the audio system; when mpv cannot start, every
// Open fails with the reason and nothing else happens.
#include <QObject>
#include <cstdint>
#include <map>
#include <string>

#include "player/media_device.h"

struct mpv_handle;

class MpvDevice : public QObject, public IMediaDevice {
 public:
  // `options` are mpv options set before start (for example {"ao", "null"}); "keep-open"
  // is always "yes", so a track that played to its end stays open at its end.
  explicit MpvDevice(std::map<std::string, std::string> options = {});
  ~MpvDevice() override;

  // The options tests use: no audio output, no video.
  static std::map<std::string, std::string> SilentOptions();

  // True when mpv could be started (starting it if not yet tried); `error` gets the reason
  // otherwise.
  bool Available(std::string* error = nullptr);

  bool Open(const std::string& fileName, std::string& error) override;
  void Close() override;
  void Play() override;
  void Pause() override;
  void Resume() override;
  void Seek(std::int64_t ms) override;
  void SetTimeFormatMilliseconds() override {}
  int Mode() override;
  std::int64_t Length() override;
  std::int64_t Position() override;
  std::string FileName() const override { return fileName_; }

  // Reads every waiting mpv event and tells the player; the wakeup callback queues it.
  void DrainEvents();

  // How long Open waits for mpv's answer, in milliseconds.
  void setOpenTimeout(int ms) { openTimeoutMs_ = ms; }

 private:
  bool start();
  bool flag(const char* name);
  bool hasAudioOutput();
  double number(const char* name);
  void setPause(bool pause);

  std::map<std::string, std::string> options_;
  mpv_handle* mpv_ = nullptr;
  bool tried_ = false;
  std::string startError_;
  std::string fileName_;
  bool loaded_ = false;
  bool started_ = false;  // Play ran since the file was loaded
  bool seekPending_ = false;
  std::int64_t entryId_ = -1;
  int openTimeoutMs_ = 10000;
};
