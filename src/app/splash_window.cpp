#include "app/splash_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include "app/program_version.h"

namespace {
constexpr int kWidth = 400;
constexpr int kHeight = 250;
constexpr int kStatusHeight = 18;

QPixmap splashPicture() {
  QPixmap pm(kWidth, kHeight);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, 0, kHeight);
  bg.setColorAt(0.0, QColor(36, 48, 66));
  bg.setColorAt(1.0, QColor(12, 16, 22));
  p.fillRect(pm.rect(), bg);
  // A few stylised level bars, the picture of a player being filled.
  const int bars[] = {30, 52, 76, 60, 94, 70, 48, 84, 40, 62, 28};
  for (int i = 0; i < 11; ++i) {
    QLinearGradient g(0, 200 - bars[i], 0, 200);
    g.setColorAt(0.0, QColor(115, 240, 115));
    g.setColorAt(1.0, QColor(40, 110, 60));
    p.fillRect(QRect(230 + i * 14, 200 - bars[i], 10, bars[i]), g);
  }
  QFont title(QStringLiteral("Sans Serif"), 34, QFont::Bold);
  p.setFont(title);
  p.setPen(QColor(240, 240, 240));
  p.drawText(QRect(24, 40, 360, 60), Qt::AlignLeft | Qt::AlignVCenter,
             QString::fromStdString(kProgramName));
  QFont sub(QStringLiteral("Sans Serif"), 10);
  p.setFont(sub);
  p.setPen(QColor(170, 180, 195));
  p.drawText(QRect(26, 100, 200, 40), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
             QStringLiteral("music for players and flash drives"));
  return pm;
}
}  // namespace

TForm5::TForm5(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("Form5"));
  setFixedSize(kWidth, kHeight);
  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(0, 0, kWidth, kHeight);
  Image1->setPixmap(splashPicture());

  Label3 = new QLabel(this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(26, 140, 200, 20);
  Label3->setStyleSheet(QStringLiteral("color: rgb(115,240,115); font-weight: bold;"));

  Label1 = new QLabel(this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(0, kHeight - kStatusHeight, kWidth, kStatusHeight);
  Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label1->setStyleSheet(
      QStringLiteral("color: white; background-color: black; padding-right: 6px;"));

  if (QScreen* s = QGuiApplication::primaryScreen()) {
    const QRect r = s->availableGeometry();
    move(r.x() + (r.width() - kWidth) / 2, r.y() + (r.height() - kHeight) / 2);
  }
}

void TForm5::showEvent(QShowEvent* event) {
  Label3->setText(QString::fromStdString("v " + std::string(kProgramVersion)));
  QWidget::showEvent(event);
}

void TForm5::SetStatus(const QString& text) {
  Label1->setText(text);
  Label1->repaint();
  QApplication::processEvents();
}

QString TForm5::status() const {
  return Label1->text();
}

int SplashDots(qint64 elapsedMs, qint64 totalMs) {
  if (elapsedMs < 0) elapsedMs = 0;
  if (elapsedMs >= totalMs) return 0;
  // Whole seconds still to go, rounded up: 6 - trunc(elapsed seconds) for six seconds.
  return static_cast<int>((totalMs - elapsedMs + 999) / 1000);
}
