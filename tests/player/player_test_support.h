#pragma once
// A headless player screen: the displays, the slider, the caption, the status bar and the
// list rows (row i shows entry i of a real work list), plus short WAV files and a wait on
// the event loop for the tests that play through mpv.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "player/player.h"
#include "test_support.h"

class FakePlayerView : public IPlayerView {
 public:
  explicit FakePlayerView(TkroPlayList& list) : list_(list) {}

  // IListRows
  int RowCount() const override { return list_.EntryCount(); }
  int RowEntryId(int row) const override { return list_.EntryAt(row); }
  bool RowChecked(int) const override { return false; }
  bool RowSelected(int row) const override { return selected.count(row) > 0; }

  void SetTimeText(const std::string& t) override { time = t; }
  std::string TimeText() const override { return time; }
  void SetTitleText(const std::string& t) override { title = t; }
  std::string TitleText() const override { return title; }
  int SliderValue() const override { return slider; }
  void SetSliderValue(int ms) override {
    slider = ms;
    if (onSliderChange) onSliderChange();
  }
  int SliderMax() const override { return sliderMax; }
  void SetSliderMax(int ms) override {
    sliderMax = ms;
    if (slider > sliderMax) SetSliderValue(sliderMax);
  }
  bool SliderEnabled() const override { return sliderEnabled; }
  void SetSliderEnabled(bool e) override { sliderEnabled = e; }
  void SetCaption(const std::string& t) override { caption = t; }
  void SetStatusText(int panel, const std::string& t, bool pump) override {
    status[static_cast<std::size_t>(panel)] = t;
    if (pump && onPump) onPump();
  }
  void ClearStatus() override { status = {}; }
  int FocusedRow() const override { return focused; }
  int SelectedRow() const override { return selected.empty() ? -1 : *selected.begin(); }
  void SelectOnly(int row) override { selected = {row}; }
  void SelectAlso(int row) override { selected.insert(row); }
  void SetFocusedRow(int row) override { focused = row; }
  void UpdateRow(int row) override { updatedRows.push_back(row); }
  bool ConfigBool(const std::string& path, bool def) const override {
    auto it = config.find(path);
    return it == config.end() ? def : it->second;
  }

  bool ListBusy() const override { return busy; }

  // The user moves the slider.
  void UserSlide(int ms) { SetSliderValue(ms); }

  std::string time, title, caption;
  int slider = 0, sliderMax = 0;
  bool sliderEnabled = false;
  bool busy = false;
  std::array<std::string, 3> status{};
  int focused = -1;
  std::set<int> selected;
  std::vector<int> updatedRows;
  std::map<std::string, bool> config;
  std::function<void()> onSliderChange;
  std::function<void()> onPump;

 private:
  TkroPlayList& list_;
};

// A mono 16-bit PCM WAV of `ms` milliseconds of a quiet tone.
void writeWav(const std::filesystem::path& path, int ms, int rate = 8000);

// Runs the event loop until `done` holds or `timeoutMs` passes; true when it held.
bool waitFor(const std::function<bool()>& done, int timeoutMs);
