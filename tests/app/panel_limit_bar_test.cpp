// The limit bar: the width and colour of the right segment against the marked total, the
// label, the cases that show no limit, resizing, and the delay that turns a burst of
// ticks into one sum.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <limits>

#include "app/gradient_panel.h"
#include "app/limit_bar.h"
#include "app/operation_panel.h"
#include "app/radio_group.h"
#include "lang/lang.h"
#include "panel_test_support.h"

namespace {

constexpr std::int64_t MB = 1000 * 1000;
constexpr std::int64_t GB = 1000 * MB;

BarRgb rgbOf(const GradientPanel* p) {
  const QColor c = p->endColor();
  return {c.red(), c.green(), c.blue()};
}

// A bar on widgets of its own, with a track whose inner width is 400 pixels.
struct StandaloneBar {
  StandaloneBar() {
    track.setFrameShape(QFrame::Panel);
    track.setFrameShadow(QFrame::Sunken);
    track.resize(402, 22);
    used = new GradientPanel(&track);
    used->setEndColor(QColor(115, 240, 115));
    rest = new GradientPanel(&track);
    rest->setEndColor(QColor(187, 187, 187));
    timer.setInterval(500);
    LimitBar::Sources s;
    s.limitBytes = [this] { return limit; };
    s.busy = [this] { return busy; };
    s.action = [this] { return action; };
    s.markedTotal = [this] { return marked; };
    bar = std::make_unique<LimitBar>(LimitBar::Widgets{&track, used, rest, &label, &timer}, s);
    track.show();
  }
  QFrame track;
  GradientPanel* used;
  GradientPanel* rest;
  QLabel label;
  QTimer timer;
  std::int64_t limit = 0, marked = 0;
  bool busy = false;
  int action = 0;
  std::unique_ptr<LimitBar> bar;
};

}  // namespace

TEST(LimitBarLook, WidthColourAndTextAgainstTheLimit) {
  LoadSizeUnits();
  // Under the limit: the free share in grey.
  LimitBarLook under = ComputeLimitBar(400, 300 * MB, 700 * MB);
  EXPECT_EQ(under.restWidth, 228);  // (1 - 3/7) x 400 = 228.57
  EXPECT_FALSE(under.keepColour);
  EXPECT_EQ(under.restColour, kBarFreeGrey);
  EXPECT_EQ(under.text, "300 МБ / 700 МБ   свободно 400 МБ");

  // Exactly at the limit: no right segment, colour left as it is.
  LimitBarLook equal = ComputeLimitBar(400, 700 * MB, 700 * MB);
  EXPECT_EQ(equal.restWidth, 0);
  EXPECT_TRUE(equal.keepColour);
  EXPECT_EQ(equal.text, "700 МБ / 700 МБ   свободно 0 ");

  // One and a half times the limit: a third of the track in light red.
  LimitBarLook over = ComputeLimitBar(600, 3 * GB, 2 * GB);
  EXPECT_EQ(over.restWidth, 200);
  EXPECT_EQ(over.restColour, kBarExcessRed);
  EXPECT_EQ(over.text, "3 ГБ / 2 ГБ   превышение 1 ГБ");

  // Truncated toward zero, never rounded.
  EXPECT_EQ(ComputeLimitBar(100, 1, 3).restWidth, 66);
  EXPECT_EQ(ComputeLimitBar(100, 3, 2).restWidth, 33);
  // Nothing marked: the whole track is free room.
  EXPECT_EQ(ComputeLimitBar(400, 0, 700 * MB).restWidth, 400);
  // Extremes stay within the track and the difference does not overflow.
  const std::int64_t huge = std::numeric_limits<std::int64_t>::max();
  LimitBarLook far = ComputeLimitBar(400, huge, 1);
  EXPECT_GE(far.restWidth, 0);
  EXPECT_LE(far.restWidth, 400);
  EXPECT_EQ(ComputeLimitBar(400, 1, huge).text.find('-'), std::string::npos);
  ResetSizeUnits();
}

TEST(LimitBarWidget, PlacesTheSegmentsAndShowsNoLimitWhenThereIsNone) {
  LoadSizeUnits();
  StandaloneBar b;
  ASSERT_EQ(b.bar->innerWidth(), 400);
  b.limit = 700 * MB;
  b.marked = 300 * MB;
  b.bar->UpdateLimitBar(true);
  EXPECT_EQ(b.rest->geometry(), QRect(1 + 400 - 228, 1, 228, 20));
  EXPECT_EQ(b.used->geometry(), QRect(1, 1, 400 - 228, 20));
  EXPECT_EQ(rgbOf(b.rest), kBarFreeGrey);
  EXPECT_EQ(rgbOf(b.used), kBarUsedGreen);
  EXPECT_EQ(b.label.text().toStdString(), "300 МБ / 700 МБ   свободно 400 МБ");

  b.marked = 1050 * MB;  // 1.5 x the limit
  b.bar->UpdateLimitBar(true);
  EXPECT_EQ(b.rest->width(), 133);
  EXPECT_EQ(rgbOf(b.rest), kBarExcessRed);
  EXPECT_EQ(b.used->width(), 267);

  b.marked = 700 * MB;  // at the limit the excess colour stays
  b.bar->UpdateLimitBar(true);
  EXPECT_EQ(b.rest->width(), 0);
  EXPECT_EQ(rgbOf(b.rest), kBarExcessRed);
  EXPECT_EQ(b.used->width(), 400);

  // No limit, a negative one, a busy list, the delete action: gr2 over the whole track in
  // grey, the label emptied; nothing is summed.
  struct Case {
    std::int64_t limit;
    bool busy;
    int action;
  };
  for (const Case c : {Case{0, false, 0}, Case{-5 * MB, false, 1}, Case{700 * MB, true, 0},
                       Case{700 * MB, false, 2}}) {
    b.limit = 700 * MB, b.busy = false, b.action = 0, b.marked = 1050 * MB;
    b.bar->UpdateLimitBar(true);
    ASSERT_EQ(rgbOf(b.rest), kBarExcessRed);
    const int sums = b.bar->sums();
    b.limit = c.limit, b.busy = c.busy, b.action = c.action;
    b.bar->UpdateLimitBar(false);
    EXPECT_EQ(b.rest->geometry(), QRect(1, 1, 400, 20));
    EXPECT_EQ(b.used->width(), 0);
    EXPECT_EQ(rgbOf(b.rest), kBarFreeGrey);
    EXPECT_TRUE(b.label.text().isEmpty());
    EXPECT_EQ(b.bar->sums(), sums);
    EXPECT_FALSE(b.timer.isActive());
  }
  ResetSizeUnits();
}

TEST(LimitBarWidget, ResizingTheTrackRecomputesAndUnchangedValuesAreNotSetAgain) {
  StandaloneBar b;
  b.limit = 2 * GB;
  b.marked = 3 * GB;
  b.bar->UpdateLimitBar(true);
  EXPECT_EQ(b.rest->width(), 133);
  const int sums = b.bar->sums();
  b.track.resize(602, 22);
  EXPECT_EQ(b.bar->sums(), sums + 1);
  EXPECT_EQ(b.rest->geometry(), QRect(1 + 600 - 200, 1, 200, 20));
  EXPECT_EQ(b.used->width(), 400);

  // Counting what reaches gr2: the same result again changes nothing on it.
  struct Counter : QObject {
    int events = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Move || e->type() == QEvent::Resize) ++events;
      return false;
    }
  } counter;
  b.rest->installEventFilter(&counter);
  b.bar->UpdateLimitBar(true);
  b.bar->UpdateLimitBar(true);
  EXPECT_EQ(counter.events, 0);
  b.marked = 4 * GB;
  b.bar->UpdateLimitBar(true);
  EXPECT_GT(counter.events, 0);
}

TEST(LimitBarWidget, DelayedRequestsRestartTheTimerAndYieldOneSum) {
  StandaloneBar b;
  b.limit = 700 * MB;
  b.marked = 300 * MB;
  for (int i = 0; i < 1000; ++i) b.bar->UpdateLimitBar(false);
  EXPECT_TRUE(b.timer.isActive());
  EXPECT_EQ(b.bar->sums(), 0);
  EXPECT_TRUE(b.label.text().isEmpty());
  // Every delayed request starts the count again, even one that comes after the timer was
  // stopped from outside.
  b.timer.stop();
  b.bar->UpdateLimitBar(false);
  EXPECT_TRUE(b.timer.isActive());
  EXPECT_EQ(b.timer.interval(), 500);
  // The timer's firing: one sum, and the timer stops.
  b.bar->UpdateLimBarTimerTimer();
  EXPECT_EQ(b.bar->sums(), 1);
  EXPECT_FALSE(b.timer.isActive());
  EXPECT_FALSE(b.label.text().isEmpty());

  // The timer really reaches the bar: with no delay it fires as soon as events are handled.
  b.timer.setInterval(0);
  b.bar->UpdateLimitBar(false);
  for (int i = 0; i < 100 && b.bar->sums() == 1; ++i) QCoreApplication::processEvents();
  EXPECT_EQ(b.bar->sums(), 2);
  EXPECT_FALSE(b.timer.isActive());
}

TEST(LimitBarWidget, TimerStopsAfterItsFiringEvenWhenTheLimitWentMeanwhile) {
  StandaloneBar b;
  for (const int change : {0, 1}) {
    b.limit = 700 * MB, b.marked = 300 * MB, b.action = 0;
    b.bar->UpdateLimitBar(false);
    ASSERT_TRUE(b.timer.isActive());
    const int sums = b.bar->sums();
    // Before the delayed sum is due the limit is cleared, or the delete action chosen.
    if (change == 0)
      b.limit = 0;
    else
      b.action = 2;
    b.bar->UpdateLimBarTimerTimer();
    // Stopped: it does not fire every 500 ms from now on.
    EXPECT_FALSE(b.timer.isActive()) << change;
    EXPECT_EQ(b.bar->sums(), sums) << change;
    EXPECT_EQ(b.rest->width(), 400);
    EXPECT_TRUE(b.label.text().isEmpty());
  }
}

class LimitBarFormTest : public ::testing::Test, public FormFixture {};

TEST_F(LimitBarFormTest, ThousandQuickTicksSumOnceAndBulkChangesSumAtTheirEnd) {
  OperationPanel& panel = form.parts().operation;
  LimitBar& bar = form.parts().limitBar;
  panel.SelectAction(0);
  for (int i = 0; i < 1000; ++i) add(MB);
  add(-1);  // a missing file counts nothing
  form.cbDest->setEditText(QStringLiteral("/media/player"));
  form.rgLimit->button(2)->click();
  form.cbLimit->setEditText(QStringLiteral("700"));
  ASSERT_EQ(panel.limitBytes(), 700 * MB);
  form.UpdateLimBarTimer->stop();

  const int before = bar.sums();
  for (int row = 0; row <= 1000; ++row) tick(row, true);
  EXPECT_EQ(bar.sums(), before);
  EXPECT_TRUE(form.UpdateLimBarTimer->isActive());
  bar.UpdateLimBarTimerTimer();  // the timer fires
  EXPECT_EQ(bar.sums(), before + 1);
  EXPECT_FALSE(form.UpdateLimBarTimer->isActive());
  EXPECT_EQ(form.lLimit->text().toStdString(), "1 ГБ / 700 МБ   превышение 300 МБ");
  EXPECT_EQ(rgbOf(form.gr2), kBarExcessRed);

  // A bulk change sums nothing while it runs and once, at once, when it ends.
  view->BeginListWork("");
  bar.UpdateLimitBar(true);
  EXPECT_EQ(bar.sums(), before + 1);
  view->EndListWork("");
  EXPECT_EQ(bar.sums(), before + 2);
  view->UnmarkAll();
  EXPECT_EQ(form.lLimit->text().toStdString(), "0  / 700 МБ   свободно 700 МБ");
  EXPECT_EQ(rgbOf(form.gr2), kBarFreeGrey);

  // The delete action shows no limit whatever the limit.
  panel.SelectAction(2);
  EXPECT_TRUE(form.lLimit->text().isEmpty());
  EXPECT_EQ(form.gr2->width(), bar.innerWidth());
}
