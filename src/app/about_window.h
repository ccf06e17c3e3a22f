#pragma once
// The About box: the program's name, version and purpose, closed with one button.
#include <QDialog>

class QLabel;
class QPushButton;

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(QWidget* parent = nullptr);

  QLabel* lName;
  QLabel* lVersion;
  QLabel* lText;
  QPushButton* Button1;
};
