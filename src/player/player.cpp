#include "player/player.h"

#include <algorithm>
#include <climits>

#include "lang/lang.h"
#include "lang/messages.h"
#include "logs/log.h"

namespace {
constexpr int kSeekMs = 600;
constexpr int kDisplayMs = 300;
constexpr int kIdleDisplayMs = 1000;

int sliderMs(std::int64_t ms) {
  return static_cast<int>(std::clamp<std::int64_t>(ms, 0, INT_MAX));
}
}  // namespace

std::string MillisecondsToText(std::int64_t ms) {
  if (ms < 0) ms = 0;
  std::string text;
  if (ms > 3599999) text = std::to_string(ms / 3600000) + ":";
  const std::int64_t rest = ms % 3600000;
  text += std::to_string(rest / 60000) + ":";
  const std::int64_t seconds = (rest % 60000) / 1000;
  if (seconds < 10) text += "0";
  text += std::to_string(seconds);
  return text;
}

TPlayer::TPlayer(IPlayerView& view, std::unique_ptr<IMediaDevice> device, QTimer& seekTimer,
                 QTimer& displayTimer, std::function<TkroPlayList*()> workList)
    : view_(view),
      device_(std::move(device)),
      seekTimer_(seekTimer),
      displayTimer_(displayTimer),
      workList_(std::move(workList)) {
  device_->setNotify([this] { MPNotify(); });
  QObject::connect(&seekTimer_, &QTimer::timeout, &context_, [this] { ipTimer1Timer(); });
  QObject::connect(&displayTimer_, &QTimer::timeout, &context_, [this] { ipTimer2Timer(); });
  seekTimer_.setInterval(kSeekMs);
  displayTimer_.setInterval(kDisplayMs);
  seekTimer_.start();
  displayTimer_.start();
}

// The timers belong to the window and may already be gone; the connections end with
// context_, and the device closes with its owner.
TPlayer::~TPlayer() {
  device_->setNotify(nullptr);
}

void TPlayer::setDevice(std::unique_ptr<IMediaDevice> device) {
  device_->setNotify(nullptr);
  device_->Close();
  device_ = std::move(device);
  device_->setNotify([this] { MPNotify(); });
  ResetPlayerDisplay();
}

void TPlayer::setSliderQuietly(int value, int max, bool setMax) {
  sliderUserChange_ = false;
  if (setMax && view_.SliderMax() != max) view_.SetSliderMax(max);
  if (view_.SliderValue() != value) view_.SetSliderValue(value);
  sliderUserChange_ = true;
}

int TPlayer::rowOfEntry(int entryId) const {
  const int n = view_.RowCount();
  for (int r = 0; r < n; ++r)
    if (view_.RowEntryId(r) == entryId) return r;
  return -1;
}

void TPlayer::ResetPlayerDisplay() {
  view_.SetCaption(kPlayerIdleTitle);
  if (!view_.TimeText().empty()) view_.SetTimeText("");
  if (!view_.TitleText().empty()) view_.SetTitleText("");
  sliderUserChange_ = false;
  if (view_.SliderValue() != 0) view_.SetSliderValue(0);
  if (view_.SliderMax() != 0) view_.SetSliderMax(0);
  view_.SetSliderEnabled(false);
  sliderUserChange_ = true;
}

void TPlayer::bipPlayClick(PlaySource source) {
  if (opening_ || view_.ListBusy()) return;
  const int focused = view_.FocusedRow();
  const int selected = view_.SelectedRow();
  if (focused < 0 && selected < 0) return;
  if (source == PlaySource::PlayButton && fileOpen() && device_->Mode() == kModePaused) {
    bipPauseClick();
    return;
  }
  int row = focused;
  if (focused >= 0) {
    view_.SelectOnly(focused);
  } else {
    view_.SetFocusedRow(selected);
    row = selected;
  }
  ResetPlayerDisplay();

  TkroPlayList* list = workList_ ? workList_() : nullptr;
  if (!list || !list->SelectRow(view_, row)) return;
  playingEntryId_ = list->Cursor->Id;
  const std::string origin = list->Cursor->GetOrigin();
  const std::string descr = list->Cursor->GetDescr();

  opening_ = true;
  view_.SetStatusText(0, LangFormat(490, {origin}), true);
  std::string error;
  const bool opened = device_->Open(origin, error);
  opening_ = false;
  if (!opened) {
    ProgramLogWrite("Player: " + error);
    ResetPlayerDisplay();
    ShowMessageE(LangFormat(491, {origin}));
    return;
  }

  view_.SetStatusText(0, LangFormat(492, {descr}), false);
  view_.SetTitleText(descr);
  view_.SetCaption(descr + " - " + kPlayerIdleTitle);
  view_.SetSliderEnabled(true);
  const std::int64_t length = device_->Length();
  setSliderQuietly(sliderMs(device_->Position()), sliderMs(length), true);

  // An unknown length (0) would wipe a length the entry already knows, so only a measured
  // one is stored.
  if (length > 0 && view_.ConfigBool(kUpdatePlaylist, true)) {
    // The rows may have changed while the window's messages ran during the opening.
    list = workList_ ? workList_() : nullptr;
    if (list && list->SelectId(playingEntryId_)) {
      list->Cursor->SetLength(static_cast<std::int32_t>(length / 1000));
      const int shown = rowOfEntry(playingEntryId_);
      if (shown >= 0) view_.UpdateRow(shown);
    }
  }
  device_->Play();
}

void TPlayer::bipPauseClick() {
  if (!fileOpen()) return;
  const int mode = device_->Mode();
  if (mode == kModePlaying)
    device_->Pause();
  else if (mode == kModePaused)
    device_->Resume();
}

void TPlayer::bipStopClick() {
  if (!fileOpen() || device_->Mode() == kModeNotReady) return;
  device_->Close();
  ResetPlayerDisplay();
  ipTimer2Timer();
  view_.ClearStatus();
}

void TPlayer::bipPrevClick(PlaySource sender) {
  if (opening_ || view_.ListBusy()) return;
  const int n = view_.RowCount();
  if (n <= 0) return;
  int cur = -1;
  if (playingEntryId_ > 0 && fileOpen()) {
    const int r = rowOfEntry(playingEntryId_);
    TkroPlayList* list = workList_ ? workList_() : nullptr;
    if (r >= 0 && list && list->SelectId(playingEntryId_) &&
        list->Cursor->GetOrigin() == device_->FileName())
      cur = r;
  }
  int start = cur;
  if (start < 0) start = view_.FocusedRow();
  if (start < 0) start = view_.SelectedRow();
  if (start < 0) start = 0;
  const int target = sender == PlaySource::PrevButton ? start - 1 : start + 1;
  if (target < 0 || target >= n) return;
  view_.SelectAlso(target);
  view_.SetFocusedRow(target);
  bipPlayClick(sender);
}

void TPlayer::ipTimer2Timer() {
  if (opening_) return;
  if (!fileOpen()) {
    if (displayTimer_.interval() != kIdleDisplayMs) displayTimer_.setInterval(kIdleDisplayMs);
    ResetPlayerDisplay();
    return;
  }
  if (displayTimer_.interval() != kDisplayMs) displayTimer_.setInterval(kDisplayMs);
  switch (device_->Mode()) {
    case kModeStopped:
      view_.SetTimeText("***");
      if (device_->Position() >= device_->Length() && view_.ConfigBool(kByPlaylist, true))
        bipPrevClick(PlaySource::NextButton);
      break;
    case kModePlaying: {
      if (!view_.SliderEnabled()) view_.SetSliderEnabled(true);
      const std::int64_t position = device_->Position();
      setSliderQuietly(sliderMs(position), 0, false);
      view_.SetTimeText(MillisecondsToText(position) + " > " +
                        MillisecondsToText(device_->Length()));
      break;
    }
    case kModeSeeking:
      view_.SetTimeText("*SEEK*");
      break;
    case kModePaused:
      view_.SetTimeText("[ " + MillisecondsToText(view_.SliderValue()) + " ]");
      break;
    case kModeOpen:
      view_.SetTimeText("*OPEN*");
      break;
    default:
      ResetPlayerDisplay();
      break;
  }
}

void TPlayer::ipPosChange() {
  if (!fileOpen() || !sliderUserChange_) return;
  const int slider = view_.SliderValue();
  const char* direction = device_->Position() < slider ? " >> " : " << ";
  view_.SetTimeText(MillisecondsToText(slider) + direction + MillisecondsToText(device_->Length()));
  displayTimer_.stop();
  seekTimer_.stop();
  seekTimer_.start();
}

void TPlayer::ipTimer1Timer() {
  if (opening_) return;
  const int before = fileOpen() ? device_->Mode() : kModeNotReady;
  if (before == kModeNotReady) return;
  device_->Seek(view_.SliderValue());
  ipTimer2Timer();
  // A track that was playing or had played to its end plays on from the new place. The
  // mode before the seek decides: the device may still be seeking now, and mpv keeps a
  // track that ended paused after a seek. A paused track stays paused.
  const int mode = device_->Mode();
  if (mode == kModePlaying || mode == kModeStopped || before == kModePlaying ||
      before == kModeStopped)
    device_->Play();
  ipTimer2Timer();
  seekTimer_.stop();
  displayTimer_.start();
  ipTimer2Timer();
}
