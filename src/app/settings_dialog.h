#pragma once
// The settings dialog: six program-wide options on two pages, Ok and Cancel. The options
// are read from the configuration each time the dialog is shown and written back only on
// Ok; closing it any other way discards the changes.
#include <QDialog>
#include <functional>

class QCheckBox;
class QPushButton;
class QTabWidget;
class QWidget;
class TkroObject;

class TForm2 : public QDialog {
  Q_OBJECT
 public:
  // Where the options live, asked each time the dialog shows or saves: the program's
  // configuration store. Without a store every option reads as on and nothing is written.
  explicit TForm2(std::function<TkroObject*()> configuration, QWidget* parent = nullptr);

  // The six check boxes from their configuration values (missing values read as true).
  void LoadSettings();
  // The six check boxes into their configuration values.
  void SaveSettings();

  QTabWidget* PageControl1;
  QWidget* TabSheet1;    // main options
  QWidget* TabSheet2;    // player
  QCheckBox* CheckBox1;  // remember the work list
  QCheckBox* CheckBox2;  // confirm exit
  QCheckBox* CheckBox8;  // ignore read-only
  QCheckBox* CheckBox9;  // read tags of every format and lengths
  QCheckBox* CheckBox3;  // play through the list
  QCheckBox* CheckBox7;  // update list information
  QCheckBox* CheckBox4;  // always disabled
  QCheckBox* CheckBox5;  // always disabled
  QCheckBox* CheckBox6;  // always disabled
  QPushButton* Button1;  // Ok
  QPushButton* Button2;  // Cancel

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TkroObject* configuration() const;
  std::function<TkroObject*()> configuration_;
};
