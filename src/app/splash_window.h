#pragma once
// The splash window shown while the program starts: a 400 x 250 borderless picture with
// the version and one status line, centred on the desktop.
#include <QWidget>

class QLabel;

class TForm5 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm5(QWidget* parent = nullptr);

  // Replaces the status text and lets pending window messages run, so the text shows at once.
  void SetStatus(const QString& text);
  QString status() const;

  QLabel* Image1;
  QLabel* Label3;  // version text
  QLabel* Label1;  // status line

 protected:
  void showEvent(QShowEvent* event) override;
};

// The number of dots the countdown shows after `elapsedMs` of a countdown of `totalMs`:
// one per whole second still to go (six in the first second of the usual six), none when
// the time is up.
int SplashDots(qint64 elapsedMs, qint64 totalMs);
