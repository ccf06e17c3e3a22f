#pragma once
// The About box: the program's name, version and purpose, its licence and the libraries it
// is built on with theirs, closed with one button.
#include <QDialog>
#include <QIcon>
#include <QString>
#include <vector>

class QLabel;
class QPushButton;

// The program's icon (the desktop theme's "tavel" when installed, else the built-in one).
QIcon ProgramIcon();

// A library the program uses, as the About box lists it.
struct UsedLibrary {
  QString name;     // "Qt"
  QString version;  // of the library the program runs with, when it can tell
  QString licence;  // SPDX expression
};
std::vector<UsedLibrary> UsedLibraries();

// The program's own licence (SPDX).
constexpr const char* kProgramLicence = "GPL-3.0-or-later";

class TForm4 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm4(QWidget* parent = nullptr);

  QLabel* lName;
  QLabel* lVersion;
  QLabel* lText;       // one-line description
  QLabel* lLicence;    // the program's licence
  QLabel* lLibraries;  // libraries used, one a line, with their licences
  QPushButton* Button1;
};
