#pragma once
// A segment of the limit bar: a vertical gradient from white at the top to its end colour
// at the bottom, drawn in 40 bands.
#include <QColor>
#include <QWidget>

class GradientPanel : public QWidget {
  Q_OBJECT
 public:
  explicit GradientPanel(QWidget* parent = nullptr);
  QColor endColor() const { return endColor_; }
  // Repaints only when the colour changes.
  void setEndColor(const QColor& c);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor endColor_ = QColor(187, 187, 187);
};
