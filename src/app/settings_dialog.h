#pragma once
// The settings dialog: five program-wide options on two pages, Ok and Cancel. Reading and
// writing the options is done when the dialog is shown and confirmed.
#include <QDialog>

class QCheckBox;
class QPushButton;
class QTabWidget;
class QWidget;

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm2(QWidget* parent = nullptr);

  QTabWidget* PageControl1;
  QWidget* TabSheet1;    // main options
  QWidget* TabSheet2;    // player
  QCheckBox* CheckBox1;  // remember the work list
  QCheckBox* CheckBox2;  // confirm exit
  QCheckBox* CheckBox8;  // ignore read-only
  QCheckBox* CheckBox3;  // play through the list
  QCheckBox* CheckBox7;  // update list information
  QCheckBox* CheckBox4;  // always disabled
  QCheckBox* CheckBox5;  // always disabled
  QCheckBox* CheckBox6;  // always disabled
  QPushButton* Button1;  // Ok
  QPushButton* Button2;  // Cancel
};
