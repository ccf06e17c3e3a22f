#pragma once
// The destination drop-down and the removable drives: while its list is open, the drives
// mounted now stand above the history (label, free space, mount point); choosing one puts
// its mount point into the field and asks for the limit at once. A typed destination asks
// for the limit too, once the typing has paused for 500 ms, as the limit bar waits after
// ticks. The drives exist in the list only while it is open, so the history that is saved
// and restored never holds them.
#include <QComboBox>
#include <QObject>
#include <QTimer>
#include <functional>

class IDrives;

// A drop-down that says when its list opens and closes.
class PopupComboBox : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override;
  void hidePopup() override;

 signals:
  void popupAboutToShow();
  void popupHidden();
};

class DestinationDrives : public QObject {
  Q_OBJECT
 public:
  struct Widgets {
    PopupComboBox* destination = nullptr;  // cbDest
  };
  struct Hooks {
    // Derives the limit from the destination now, querying its volume.
    std::function<void()> recomputeLimit;
    // True while a list change or a run is going on; the limit waits for its end then.
    std::function<bool()> busy;
  };
  // Item data role of a drive row: its mount point.
  static constexpr int kMountPointRole = Qt::UserRole + 1;
  static constexpr int kTypingPauseMs = 500;

  // `drives` may be null: the drop-down then holds its history alone.
  DestinationDrives(IDrives* drives, Widgets widgets, Hooks hooks, QObject* parent = nullptr);

  // Puts the drives above the history (the list is about to open) or takes them away.
  void ShowDrives();
  void HideDrives();
  // The rows above the history: one per drive and, when there is a history, a separator;
  // 0 when none are shown.
  int driveRows() const { return shown_; }
  // The user chose row `row` of the open list.
  void ItemActivated(int row);
  // The pause after typing is over.
  void TypingTimerTimer();
  QTimer* typingTimer() { return &typingTimer_; }

 private:
  void drivesChanged();

  IDrives* drives_;
  Widgets w_;
  Hooks hooks_;
  QTimer typingTimer_;
  int shown_ = 0;
};
