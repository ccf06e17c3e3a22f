#pragma once
// The player group of the main window (page tsE1): binds the preview player to its
// displays, slider, five buttons and two timers, to the work list's rows and status bar,
// to the list's double click and Enter (command 4100), and to the operation start, which
// stops playback. The player plays through libmpv unless a test puts a fake device in.
#include <QObject>
#include <memory>

#include "player/player.h"

class QLabel;
class QSlider;
class QTimer;
class QToolButton;
class QWidget;
class TavelProgram;
class WorkListView;

class PlayerPanel : public QObject, public IPlayerView {
  Q_OBJECT
 public:
  struct Widgets {
    QWidget* window = nullptr;  // its title follows the playing title
    QLabel* ipTime = nullptr;
    QLabel* ipTitle = nullptr;
    QSlider* ipPos = nullptr;
    QToolButton* bipPrev = nullptr;
    QToolButton* bipPlay = nullptr;
    QToolButton* bipPause = nullptr;
    QToolButton* bipStop = nullptr;
    QToolButton* bipNext = nullptr;
    QTimer* ipTimer1 = nullptr;  // seek, 600 ms
    QTimer* ipTimer2 = nullptr;  // display, 300 ms
  };

  // The rows, the status bar and the list's double click come from `view`; the work list,
  // the settings and the application title from `program`.
  PlayerPanel(Widgets widgets, WorkListView& view, TavelProgram& program,
              QObject* parent = nullptr);
  ~PlayerPanel() override;

  TPlayer& player() { return *player_; }
  // Positions and lengths of the device in milliseconds (a start-up step).
  void SetTimeFormatMilliseconds() { player_->device().SetTimeFormatMilliseconds(); }

  // ---- IPlayerView ---------------------------------------------------------------------
  int RowCount() const override;
  int RowEntryId(int row) const override;
  bool RowChecked(int row) const override;
  bool RowSelected(int row) const override;
  void SetTimeText(const std::string& text) override;
  std::string TimeText() const override;
  void SetTitleText(const std::string& text) override;
  std::string TitleText() const override;
  int SliderValue() const override;
  void SetSliderValue(int ms) override;
  int SliderMax() const override;
  void SetSliderMax(int ms) override;
  bool SliderEnabled() const override;
  void SetSliderEnabled(bool enabled) override;
  void SetCaption(const std::string& text) override;
  void SetStatusText(int panel, const std::string& text, bool pump) override;
  void ClearStatus() override;
  int FocusedRow() const override;
  int SelectedRow() const override;
  void SelectOnly(int row) override;
  void SelectAlso(int row) override;
  void SetFocusedRow(int row) override;
  void UpdateRow(int row) override;
  bool ConfigBool(const std::string& path, bool defaultValue) const override;
  bool ListBusy() const override;

 private:
  Widgets w_;
  WorkListView& view_;
  TavelProgram& program_;
  std::unique_ptr<TPlayer> player_;
};
