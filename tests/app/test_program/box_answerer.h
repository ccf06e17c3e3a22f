#pragma once
// Answers every QMessageBox of the process the moment it shows, the way a user pressing one
// button would: the box really comes up and returns through its own button. Questions are
// answered Yes or No as chosen; a box that asks nothing gets Ok; a question without the
// chosen button is answered No, or Cancel when it has no No either.
#include <QMessageBox>
#include <QObject>

class MessageBoxAnswerer : public QObject {
 public:
  // Watches the whole application from now until destroyed.
  explicit MessageBoxAnswerer(bool yes);
  ~MessageBoxAnswerer() override;

  // The button pressed on a box that shows `buttons`.
  static QMessageBox::StandardButton answerFor(QMessageBox::StandardButtons buttons, bool yes);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool yes_;
};
