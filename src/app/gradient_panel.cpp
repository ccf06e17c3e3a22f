#include "app/gradient_panel.h"

#include <QPainter>

namespace {
constexpr int kBands = 40;
}

GradientPanel::GradientPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void GradientPanel::setEndColor(const QColor& c) {
  if (c == endColor_) return;
  endColor_ = c;
  update();
}

void GradientPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int h = height();
  for (int i = 0; i < kBands; ++i) {
    const int top = h * i / kBands;
    const int bottom = h * (i + 1) / kBands;
    if (bottom <= top) continue;
    const auto mix = [i](int from, int to) { return from + (to - from) * i / (kBands - 1); };
    p.fillRect(
        0, top, width(), bottom - top,
        QColor(mix(255, endColor_.red()), mix(255, endColor_.green()), mix(255, endColor_.blue())));
  }
}
