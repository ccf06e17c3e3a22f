#include "app/destination_drives.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QIcon>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>

#include "drives/drives.h"

void PopupComboBox::showPopup() {
  emit popupAboutToShow();
  QComboBox::showPopup();
}

void PopupComboBox::hidePopup() {
  QComboBox::hidePopup();
  emit popupHidden();
}

DestinationDrives::DestinationDrives(IDrives* drives, Widgets widgets, Hooks hooks, QObject* parent)
    : QObject(parent), drives_(drives), w_(widgets), hooks_(std::move(hooks)) {
  typingTimer_.setSingleShot(true);
  typingTimer_.setInterval(kTypingPauseMs);
  connect(&typingTimer_, &QTimer::timeout, this, &DestinationDrives::TypingTimerTimer);
  PopupComboBox* combo = w_.destination;
  if (!combo) return;
  // Only the user's own typing waits for a pause: a destination set by the program asks
  // for its limit itself.
  if (combo->lineEdit())
    connect(combo->lineEdit(), &QLineEdit::textEdited, &typingTimer_,
            [this] { typingTimer_.start(); });
  connect(combo, &QComboBox::activated, this, &DestinationDrives::ItemActivated);
  if (!drives_) return;
  connect(combo, &PopupComboBox::popupAboutToShow, this, &DestinationDrives::ShowDrives);
  // The list hands the chosen row over after it has closed: the rows go a moment later.
  connect(combo, &PopupComboBox::popupHidden, this, &DestinationDrives::HideDrives,
          Qt::QueuedConnection);
  connect(drives_, &IDrives::driveAdded, this, &DestinationDrives::drivesChanged);
  connect(drives_, &IDrives::driveRemoved, this, &DestinationDrives::drivesChanged);
}

void DestinationDrives::ShowDrives() {
  PopupComboBox* combo = w_.destination;
  if (!drives_ || !combo || shown_ > 0) return;
  const QList<Drive> drives = drives_->drives();
  if (drives.isEmpty()) return;
  const QString text = combo->currentText();
  const int current = combo->currentIndex();
  const bool history = combo->count() > 0;
  const QSignalBlocker block(combo);
  const QIcon icon = QIcon::fromTheme(QStringLiteral("drive-removable-media"),
                                      QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon));
  int row = 0;
  for (const Drive& d : drives) {
    combo->insertItem(row, icon, QString::fromStdString(DriveMenuText(d)), d.mountPoint);
    combo->setItemData(row, d.mountPoint, kMountPointRole);
    combo->setItemData(row, d.mountPoint, Qt::ToolTipRole);
    ++row;
  }
  if (history) combo->insertSeparator(row);
  shown_ = history ? row + 1 : row;
  // The list is as wide as the field unless told otherwise, and a drive's line is long.
  int widest = 0;
  for (int i = 0; i < row; ++i)
    widest = std::max(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
  const int iconRoom =
      combo->iconSize().width() + 4 * combo->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
  combo->view()->setMinimumWidth(widest + iconRoom + 24);
  // Rows put into an empty list make the first one current, which would replace the text.
  if (current < 0) combo->setCurrentIndex(-1);
  combo->setEditText(text);
}

void DestinationDrives::HideDrives() {
  PopupComboBox* combo = w_.destination;
  if (!combo || shown_ == 0) return;
  const QString text = combo->currentText();
  const QSignalBlocker block(combo);
  const int historyRow = combo->currentIndex() - shown_;
  for (int i = shown_ - 1; i >= 0; --i) combo->removeItem(i);
  shown_ = 0;
  combo->view()->setMinimumWidth(0);
  combo->setCurrentIndex(historyRow >= 0 ? historyRow : -1);
  combo->setEditText(text);
}

void DestinationDrives::ItemActivated(int row) {
  PopupComboBox* combo = w_.destination;
  if (!combo) return;
  if (row >= 0 && row < shown_) {
    const QString mountPoint = combo->itemData(row, kMountPointRole).toString();
    if (mountPoint.isEmpty()) return;  // the separator
    HideDrives();
    const QSignalBlocker block(combo);
    combo->setEditText(mountPoint);
  }
  // A destination chosen from the list, a drive or one of the history, is as good as
  // typed and confirmed: its limit comes at once.
  typingTimer_.stop();
  if (hooks_.recomputeLimit) hooks_.recomputeLimit();
}

void DestinationDrives::TypingTimerTimer() {
  typingTimer_.stop();
  if (hooks_.busy && hooks_.busy()) {
    typingTimer_.start();
    return;
  }
  if (hooks_.recomputeLimit) hooks_.recomputeLimit();
}

void DestinationDrives::drivesChanged() {
  // A drive plugged in or pulled out while the list is open shows there at once.
  if (shown_ == 0) return;
  HideDrives();
  ShowDrives();
}
