#include "app/limit_bar.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <algorithm>

#include "app/gradient_panel.h"
#include "app/text_ids.h"
#include "lang/lang.h"

namespace {

QColor toColor(const BarRgb& c) {
  return QColor(c.r, c.g, c.b);
}

BarRgb toRgb(const QColor& c) {
  return BarRgb{c.red(), c.green(), c.blue()};
}

}  // namespace

LimitBarLook ComputeLimitBar(int innerWidth, std::int64_t marked, std::int64_t limit) {
  LimitBarLook look;
  const double s = static_cast<double>(marked);
  const double l = static_cast<double>(limit);
  if (marked < limit) {
    look.restWidth = static_cast<int>((1.0 - s / l) * innerWidth);
    look.restColour = kBarFreeGrey;
  } else if (marked > limit) {
    look.restWidth = static_cast<int>((1.0 - l / s) * innerWidth);
    look.restColour = kBarExcessRed;
  } else {
    look.restWidth = 0;
    look.keepColour = true;
  }
  // Written as a difference of two non-negative numbers so that no sign flips on overflow.
  const std::int64_t difference = limit >= marked ? limit - marked : marked - limit;
  look.text = LangFormat(
      kTextLimitComparison,
      {SizeToText(marked), SizeToText(limit),
       LangString(limit < marked ? kTextLimitOver : kTextLimitFree), SizeToText(difference)});
  return look;
}

LimitBar::LimitBar(Widgets widgets, Sources sources, QObject* parent)
    : QObject(parent), w_(widgets), src_(std::move(sources)) {
  if (w_.timer) {
    w_.timer->stop();
    connect(w_.timer, &QTimer::timeout, this, &LimitBar::UpdateLimBarTimerTimer);
  }
  if (w_.track) w_.track->installEventFilter(this);
  place();
}

int LimitBar::innerWidth() const {
  return w_.track ? std::max(w_.track->width() - 2, 0) : 0;
}

void LimitBar::UpdateLimitBar(bool immediate) {
  const int width = innerWidth();
  const std::int64_t limit = src_.limitBytes ? src_.limitBytes() : 0;
  const bool busy = src_.busy && src_.busy();
  const int action = src_.action ? src_.action() : -1;
  if (limit > 0 && !busy && action < 2) {
    if (!immediate) {
      // start() restarts a running timer, so the 500 ms count begins again.
      if (w_.timer) w_.timer->start();
      return;
    }
    if (w_.timer) w_.timer->stop();
    const std::int64_t marked = src_.markedTotal ? src_.markedTotal() : 0;
    ++sums_;
    const LimitBarLook look = ComputeLimitBar(width, marked, limit);
    setRest(look.restWidth, look.keepColour ? nullptr : &look.restColour);
    const QString text = QString::fromStdString(look.text);
    if (w_.label && w_.label->text() != text) w_.label->setText(text);
    return;
  }
  setRest(width, &kBarFreeGrey);
  if (w_.label && !w_.label->text().isEmpty()) w_.label->clear();
}

void LimitBar::UpdateLimBarTimerTimer() {
  if (w_.timer) w_.timer->stop();
  UpdateLimitBar(true);
}

void LimitBar::setRest(int width, const BarRgb* colour) {
  // GradientPanel repaints only when its colour really changes.
  if (colour && w_.rest && !(toRgb(w_.rest->endColor()) == *colour))
    w_.rest->setEndColor(toColor(*colour));
  if (width == restWidth_) return;
  restWidth_ = width;
  place();
}

void LimitBar::place() {
  if (!w_.track) return;
  const int inner = innerWidth();
  const int height = std::max(w_.track->height() - 2, 0);
  // Before the first computation the bar shows no limit: gr2 over the whole track.
  const int rest = std::clamp(restWidth_ < 0 ? inner : restWidth_, 0, inner);
  if (w_.rest) {
    const QRect r(1 + inner - rest, 1, rest, height);
    if (w_.rest->geometry() != r) w_.rest->setGeometry(r);
  }
  if (w_.used) {
    const QRect u(1, 1, inner - rest, height);
    if (w_.used->geometry() != u) w_.used->setGeometry(u);
  }
}

bool LimitBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == w_.track && event->type() == QEvent::Resize) {
    place();
    UpdateLimitBar(true);
  }
  return QObject::eventFilter(watched, event);
}
