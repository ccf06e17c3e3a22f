#pragma once
// The progress dialog of an operation: stage header, two bars (the whole run and the
// current file), transfer figures, the current file, an optional log panel, and the
// Cancel/Close, Skip and Log buttons. This file lays the dialog out; the run itself drives
// the controls.
#include <QDialog>

class QFrame;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);

  // Client sizes: 539 wide; 337 high with the log panel, 218 without.
  static constexpr int kClientWidth = 539;
  static constexpr int kHeightWithLog = 337;
  static constexpr int kHeightWithoutLog = 218;

  // Shows or hides Label1, Bevel1 and lbLog and sets the height to match.
  void setLogPanelVisible(bool on);
  bool logPanelVisible() const;

  QLabel* l1;         // stage header, bold
  QProgressBar* pb1;  // whole run, 0..1000
  QProgressBar* pb2;  // current file, 0..1000
  QLabel* Label7;     // work done (and elapsed time), left of the bars
  QLabel* Label6;     // work of the run (and estimated total time), right of the bars
  QLabel* Label3;     // overall percentage
  QLabel* Label5;     // transfer speed
  QLabel* Label4;     // estimated remaining time
  QLabel* Label2;     // current file, word-wrapped
  QLabel* Label1;     // caption of the log panel
  QFrame* Bevel1;
  QListWidget* lbLog;
  QPushButton* Button1;  // Cancel while running, Close otherwise
  QPushButton* Button2;  // Skip
  QPushButton* Button3;  // Log on/off
};
