#pragma once
// The preview player: plays the origin file of a work-list row through a media device,
// shows time, title and position, follows the list when a track ends and can store a
// track's measured length in its entry. It reaches the screen only through IPlayerView and
// runs on the user-interface thread, driven by the buttons, the two timers and the
// device's notifications.
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "player/media_device.h"
#include "tavel_version.h"
#include "worklist/playlist.h"

// What the player shows and the list rows it plays from.
class IPlayerView : public IListRows {
 public:
  // ipTime, ipTitle
  virtual void SetTimeText(const std::string& text) = 0;
  virtual std::string TimeText() const = 0;
  virtual void SetTitleText(const std::string& text) = 0;
  virtual std::string TitleText() const = 0;
  // ipPos, in milliseconds. Setting the value may call Player::ipPosChange at once.
  virtual int SliderValue() const = 0;
  virtual void SetSliderValue(int ms) = 0;
  virtual int SliderMax() const = 0;
  virtual void SetSliderMax(int ms) = 0;
  virtual bool SliderEnabled() const = 0;
  virtual void SetSliderEnabled(bool enabled) = 0;
  // The main window's caption and the application title.
  virtual void SetCaption(const std::string& text) = 0;
  // The status bar: panel 0 to 2; `pump` lets pending window messages run.
  virtual void SetStatusText(int panel, const std::string& text, bool pump) = 0;
  virtual void ClearStatus() = 0;
  // The list's focused row and its first selected row; -1 when none.
  virtual int FocusedRow() const = 0;
  virtual int SelectedRow() const = 0;
  virtual void SelectOnly(int row) = 0;
  virtual void SelectAlso(int row) = 0;
  virtual void SetFocusedRow(int row) = 0;
  // Rewrites a row from its entry.
  virtual void UpdateRow(int row) = 0;
  // A boolean of the configuration, read afresh.
  virtual bool ConfigBool(const std::string& path, bool defaultValue) const = 0;
  // True while a long list change runs and lets window messages through; the rows are
  // half-done then and no track is opened from them.
  virtual bool ListBusy() const { return false; }
};

// Where a play request comes from.
enum class PlaySource { PlayButton, List, PrevButton, NextButton };

// The player's time text: [h:]m:ss, minutes without a leading zero.
std::string MillisecondsToText(std::int64_t ms);

inline constexpr const char* kByPlaylist = "Playlist/Player/byplaylist";
inline constexpr const char* kUpdatePlaylist = "Playlist/Player/updatepl";
inline constexpr const char* kPlayerIdleTitle = kProgramTitle;

class TPlayer {
 public:
  // The timers are the window's: seek (600 ms) and display (300 ms); the player binds and
  // starts both. `workList` is asked anew at each use.
  TPlayer(IPlayerView& view, std::unique_ptr<IMediaDevice> device, QTimer& seekTimer,
          QTimer& displayTimer, std::function<TkroPlayList*()> workList);
  ~TPlayer();
  TPlayer(const TPlayer&) = delete;
  TPlayer& operator=(const TPlayer&) = delete;

  void bipPlayClick(PlaySource source);
  void bipPauseClick();
  void bipStopClick();
  // `sender`: PrevButton for the row above, anything else for the row below.
  void bipPrevClick(PlaySource sender);
  void ipPosChange();
  void ipTimer1Timer();
  void ipTimer2Timer();
  void MPNotify() { ipTimer2Timer(); }
  void ResetPlayerDisplay();

  IMediaDevice& device() { return *device_; }
  // Puts another device in place of the current one, whose open file closes.
  void setDevice(std::unique_ptr<IMediaDevice> device);
  int PlayingEntryId() const { return playingEntryId_; }
  bool SliderUserChange() const { return sliderUserChange_; }

 private:
  bool fileOpen() const { return !device_->FileName().empty(); }
  // Sets slider value or maximum without the change counting as the user's.
  void setSliderQuietly(int value, int max, bool setMax);
  int rowOfEntry(int entryId) const;

  IPlayerView& view_;
  std::unique_ptr<IMediaDevice> device_;
  QTimer& seekTimer_;
  QTimer& displayTimer_;
  std::function<TkroPlayList*()> workList_;
  int playingEntryId_ = -1;
  bool sliderUserChange_ = true;
  // A play request is under way; it lets window messages run while it shows its status,
  // and those must not start another one.
  bool opening_ = false;
  QObject context_;
};
