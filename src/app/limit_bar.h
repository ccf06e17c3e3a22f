#pragma once
// The limit bar under the work list: a sunken track (gr0) with the used share in green on
// the left (gr1) and, aligned to the right end, the free room in grey or the excess in
// light red (gr2), and the comparison in words below it (lLimit). The total of the ticked
// entries is only summed when asked: a tick restarts a 500 ms timer, so a burst of ticks
// costs one sum, and nothing is summed while the list is busy or for the delete action.
#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

class GradientPanel;
class QFrame;
class QLabel;
class QTimer;

// End colours of the two segments.
struct BarRgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const BarRgb&) const = default;
};
inline constexpr BarRgb kBarUsedGreen{115, 240, 115};
inline constexpr BarRgb kBarFreeGrey{187, 187, 187};
inline constexpr BarRgb kBarExcessRed{255, 106, 106};

// What the bar shows for `marked` bytes ticked under a limit of `limit` bytes (above 0) on
// a track whose inner width is `innerWidth` pixels.
struct LimitBarLook {
  int restWidth = 0;        // width of gr2
  bool keepColour = false;  // marked equals the limit: gr2's colour stays as it is
  BarRgb restColour = kBarFreeGrey;
  std::string text;  // lLimit
};
LimitBarLook ComputeLimitBar(int innerWidth, std::int64_t marked, std::int64_t limit);

class LimitBar : public QObject {
  Q_OBJECT
 public:
  struct Widgets {
    QFrame* track = nullptr;        // gr0
    GradientPanel* used = nullptr;  // gr1
    GradientPanel* rest = nullptr;  // gr2
    QLabel* label = nullptr;        // lLimit
    QTimer* timer = nullptr;        // UpdateLimBarTimer
  };
  // Where the bar reads the program's state; each is asked anew on every computation.
  struct Sources {
    std::function<std::int64_t()> limitBytes;
    std::function<bool()> busy;                 // the list is being changed in bulk
    std::function<int()> action;                // rgAction's index
    std::function<std::int64_t()> markedTotal;  // bytes of the ticked rows' entries
  };

  // The bar places gr1 and gr2 inside the track itself, on every resize of the track.
  LimitBar(Widgets widgets, Sources sources, QObject* parent = nullptr);

  // Recomputes now (immediate) or 500 ms after the last delayed request.
  void UpdateLimitBar(bool immediate);
  // One recomputation per start of the timer: it stops here even when the limit has gone or
  // the delete action was chosen meanwhile, instead of firing every 500 ms from then on.
  void UpdateLimBarTimerTimer();

  // The track's inner width: its client width less the 2 pixels of its sunken border.
  int innerWidth() const;
  int restWidth() const { return restWidth_; }
  // How many times the marked total was summed (for tests and diagnostics).
  int sums() const { return sums_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setRest(int width, const BarRgb* colour);
  void place();

  Widgets w_;
  Sources src_;
  int restWidth_ = -1;
  int sums_ = 0;
};
