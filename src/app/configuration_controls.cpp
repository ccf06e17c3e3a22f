#include "app/configuration_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

#include "app/configuration.h"
#include "app/qt_text.h"
#include "app/radio_group.h"
#include "fs/path_text.h"
#include "operation/device_playlist.h"
#include "store/kro_object.h"
#include "worklist/add_files.h"

namespace {

constexpr std::int32_t kRootDir = 1;
constexpr std::int32_t kGroupMissing = -255;

std::string str(const QString& s) {
  return s.toStdString();
}

std::string groupFolder(const QWidget& container, const std::string& prefix) {
  return JoinPath({prefix, str(container.objectName())}, '/', kSepBoth);
}

std::vector<std::string> comboItems(const QComboBox& c) {
  std::vector<std::string> items;
  items.reserve(static_cast<std::size_t>(c.count()));
  for (int i = 0; i < c.count(); ++i) items.push_back(str(c.itemText(i)));
  return items;
}

// An index read back from the store is used only when it names an item or none (-1); a
// value written by some other version keeps the control as it is.
bool usableIndex(std::int32_t index, int count) {
  return index >= -1 && index < count;
}

void loadControl(TDSystem& sys, QObject* child) {
  const std::string name = str(child->objectName());
  if (name.empty()) return;
  if (auto* rg = qobject_cast<RadioGroup*>(child)) {
    const std::int32_t index = sys.ReadInt(name, rg->itemIndex());
    if (usableIndex(index, rg->count())) rg->setItemIndex(index);
  } else if (auto* check = qobject_cast<QCheckBox*>(child)) {
    check->setChecked(sys.ReadBool(name, check->isChecked()));
  } else if (auto* combo = qobject_cast<QComboBox*>(child)) {
    if (combo->isEditable()) {
      const std::string text = sys.ReadString(name, str(combo->currentText()));
      const std::string items =
          sys.ReadString(name + ".items", JoinHistoryItems(comboItems(*combo)));
      QStringList list;
      for (const std::string& item : SplitHistoryItems(items)) list.push_back(q(item));
      combo->clear();
      combo->addItems(list);
      combo->setEditText(q(text));
    } else {
      const std::int32_t index = sys.ReadInt(name, combo->currentIndex());
      if (usableIndex(index, combo->count())) combo->setCurrentIndex(index);
    }
  } else if (auto* edit = qobject_cast<QLineEdit*>(child)) {
    edit->setText(q(sys.ReadString(name, str(edit->text()))));
  } else if (auto* spin = qobject_cast<QSpinBox*>(child)) {
    spin->setValue(sys.ReadInt(name, spin->value()));
  }
}

void saveControl(TDSystem& sys, QObject* child) {
  const std::string name = str(child->objectName());
  if (name.empty()) return;
  if (auto* rg = qobject_cast<RadioGroup*>(child)) {
    sys.WriteValue(name, KroValue(rg->itemIndex()));
  } else if (auto* check = qobject_cast<QCheckBox*>(child)) {
    sys.WriteValue(name, KroValue(check->isChecked()));
  } else if (auto* combo = qobject_cast<QComboBox*>(child)) {
    if (combo->isEditable()) {
      sys.WriteValue(name, KroValue(str(combo->currentText())));
      sys.WriteValue(name + ".items", KroValue(JoinHistoryItems(comboItems(*combo))));
    } else {
      sys.WriteValue(name, KroValue(combo->currentIndex()));
    }
  } else if (auto* edit = qobject_cast<QLineEdit*>(child)) {
    sys.WriteValue(name, KroValue(str(edit->text())));
  } else if (auto* spin = qobject_cast<QSpinBox*>(child)) {
    sys.WriteValue(name, KroValue(spin->value()));
  }
}

// Gives the first pane of a two-pane splitter `size` pixels and the second what is left.
void setFirstPane(QSplitter* splitter, int size) {
  const QList<int> sizes = splitter->sizes();
  if (sizes.size() != 2 || size <= 0) return;
  const int total = sizes[0] + sizes[1];
  splitter->setSizes({size, std::max(total - size, 0)});
}

void applyPanelSizes(QSplitter* spLeft, QSplitter* spMain, int navHeight, int leftWidth) {
  setFirstPane(spLeft, navHeight);
  setFirstPane(spMain, leftWidth);
}

// A splitter that has never been shown does not know the size it will get; when it gets
// it, the difference is shared by the stretch factors and the restored pane would grow or
// shrink. So the sizes are set once more when the window is first shown.
class PanelSizesOnShow : public QObject {
 public:
  PanelSizesOnShow(const FormSettingsWidgets& form, int navHeight, int leftWidth)
      : QObject(form.window),
        window_(form.window),
        spLeft_(form.spLeft),
        spMain_(form.spMain),
        navHeight_(navHeight),
        leftWidth_(leftWidth) {
    window_->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Show) {
      window_->removeEventFilter(this);
      applyPanelSizes(spLeft_, spMain_, navHeight_, leftWidth_);
      QPointer<QSplitter> spLeft = spLeft_, spMain = spMain_;
      const int nav = navHeight_, left = leftWidth_;
      // Once more after the shown window's first layout pass.
      QTimer::singleShot(0, window_, [spLeft, spMain, nav, left] {
        if (spLeft && spMain) applyPanelSizes(spLeft, spMain, nav, left);
      });
      deleteLater();
    }
    return false;
  }

 private:
  QWidget* window_;
  QSplitter* spLeft_;
  QSplitter* spMain_;
  int navHeight_;
  int leftWidth_;
};

void centreOnDesktop(QWidget& w) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect r = screen->availableGeometry();
  w.move(r.x() + (r.width() - w.width()) / 2, r.y() + (r.height() - w.height()) / 2);
}

void loadGroups(TkroObject& store, const std::vector<QWidget*>& containers, const char* prefix) {
  for (QWidget* c : containers) LoadControlGroup(store, *c, prefix);
}

void saveGroups(TkroObject& store, const std::vector<QWidget*>& containers, const char* prefix) {
  for (QWidget* c : containers) SaveControlGroup(store, *c, prefix);
}

}  // namespace

void SetDefaultFormSettings(const FormSettingsWidgets& f) {
  f.CheckBox1->setChecked(true);
  f.cbAFShowOptions->setChecked(false);
  f.cbAFGetID3v1->setChecked(true);
  // A new configuration adds audio files only: covers, notes and playlists lying beside
  // the songs would otherwise be copied onto the player among them.
  f.cbAFbyMask->setChecked(true);
  f.cbMask1->clear();
  f.cbMask1->addItem(QString::fromLatin1(kAudioFilesMask));
  f.cbMask1->setEditText(QString::fromLatin1(kAudioFilesMask));
  f.rgAction->setItemIndex(0);
  f.rgLimit->setItemIndex(0);
  f.cbClearDest->setChecked(false);
  f.cbVerify->setChecked(false);
  f.cbDevPlaylist->setChecked(false);
  f.edDevPlaylist->setText(QString::fromLatin1(kDefaultDevicePlaylistName));
  f.rg1Exists->setItemIndex(2);
  f.rg2Exists->setItemIndex(2);
  f.cbRemEmpty2->setChecked(false);
  f.cbRenameEnable->setChecked(false);
  f.cb11->setChecked(true);
  f.cb12->setChecked(false);
  f.cb13->setChecked(false);
  f.cb14->setChecked(false);
  f.cb15->setChecked(false);
  f.rg3->setItemIndex(2);
  f.cbCustomFC->setCurrentIndex(2);
  f.cbFolders->setCurrentIndex(0);
  f.cbDelToTrash->setChecked(true);
  f.cbRemEmpty1->setChecked(false);
}

std::int32_t LoadControlGroup(TkroObject& store, QWidget& container, const std::string& prefix) {
  TDSystem& sys = *store.System;
  sys.SetCurrentDir(kRootDir);
  const std::int32_t folder = sys.Lookup(groupFolder(container, prefix), kRootDir);
  if (folder < 0 || store.Objects(folder)->TypeOf() != kroTypeDir) return kGroupMissing;
  sys.SetCurrentDir(folder);
  for (QObject* child : container.children()) loadControl(sys, child);
  sys.SetCurrentDir(kRootDir);
  return 0;
}

std::int32_t SaveControlGroup(TkroObject& store, QWidget& container, const std::string& prefix) {
  TDSystem& sys = *store.System;
  sys.SetCurrentDir(kRootDir);
  const std::int32_t r = sys.ForceCreateDir(groupFolder(container, prefix));
  if (r > 0 || sys.LastCreated < 0) {
    sys.SetCurrentDir(kRootDir);
    return r > 0 ? r : kGroupMissing;
  }
  sys.SetCurrentDir(sys.LastCreated);
  for (QObject* child : container.children()) saveControl(sys, child);
  sys.SetCurrentDir(kRootDir);
  return 0;
}

QRect FitWindowBounds(int left, int top, int width, int height, const QRect& available,
                      const QSize& defaultSize) {
  // A size is believed up to the area, or up to the default where the screen is smaller
  // than that (the window takes no less there anyway).
  const auto size = [](int stored, int room, int fallback) {
    return stored > 0 && stored <= std::max(room, fallback) ? stored : fallback;
  };
  const int w = size(width, available.width(), defaultSize.width());
  const int h = size(height, available.height(), defaultSize.height());
  // Wholly inside where the window fits, else from the area's start. In 64 bits: the
  // stored values may be anything an int holds.
  const auto place = [](int at, int extent, int start, int room) {
    const long long last = static_cast<long long>(start) + room - extent;
    return static_cast<int>(std::clamp<long long>(at, start, std::max<long long>(start, last)));
  };
  return QRect(place(left, w, available.x(), available.width()),
               place(top, h, available.y(), available.height()), w, h);
}

void ConfApply(const FormSettingsWidgets& form, TkroObject& store, const ConfApplyHooks& hooks) {
  TDSystem& sys = *store.System;
  sys.SetCurrentDir(kRootDir);
  if (sys.Exists(kKeyMain, kRootDir)) {
    const QRect now = form.window->geometry();
    const int height = sys.ReadInt(kKeyMainHeight, now.height());
    const int width = sys.ReadInt(kKeyMainWidth, now.width());
    const int left = sys.ReadInt(kKeyMainLeft, now.x());
    const int top = sys.ReadInt(kKeyMainTop, now.y());
    // The screen the stored position lies on; bounds from a screen that is no longer
    // there (or from a broken file) go onto the primary one.
    QScreen* screen = QGuiApplication::screenAt(QPoint(std::clamp(left, -(1 << 24), 1 << 24) + 40,
                                                       std::clamp(top, -(1 << 24), 1 << 24) + 10));
    const bool known = screen != nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
      const QRect area = screen->availableGeometry();
      QRect bounds = FitWindowBounds(left, top, width, height, area, now.size());
      if (!known)  // centred on the primary screen
        bounds = FitWindowBounds(area.x() + (area.width() - bounds.width()) / 2,
                                 area.y() + (area.height() - bounds.height()) / 2, bounds.width(),
                                 bounds.height(), area, now.size());
      form.window->setGeometry(bounds);
    }
    if (sys.ReadBool(kKeyMainMaximized, false))
      form.window->setWindowState(form.window->windowState() | Qt::WindowMaximized);
    else
      form.window->setWindowState(form.window->windowState() & ~Qt::WindowMaximized);
    const int nav = sys.ReadInt(kKeyNavHeight, form.pNav->height());
    const int leftWidth = sys.ReadInt(kKeyLeftWidth, form.pLeft->width());
    applyPanelSizes(form.spLeft, form.spMain, nav, leftWidth);
    if (!form.window->isVisible()) new PanelSizesOnShow(form, nav, leftWidth);
  } else {
    centreOnDesktop(*form.window);
  }

  loadGroups(store, form.interfaceGroups, kGroupInterface);
  // A stored configuration keeps its own mask; the audio mask is offered among its items.
  if (form.cbMask1->findText(QString::fromLatin1(kAudioFilesMask), Qt::MatchFixedString) < 0) {
    const QString text = form.cbMask1->currentText();
    form.cbMask1->addItem(QString::fromLatin1(kAudioFilesMask));
    form.cbMask1->setEditText(text);
  }

  const std::int32_t action = sys.ReadInt(kKeyActionMode, kDefaultActionMode);
  form.rgAction->setItemIndex(action);
  if (hooks.SelectAction) hooks.SelectAction(action);

  loadGroups(store, form.actionGroups, kGroupAction);

  if (hooks.UpdateActionPanels) hooks.UpdateActionPanels();
  sys.SetCurrentDir(kRootDir);
}

void ConfStoreWindow(const FormSettingsWidgets& form, TkroObject& store, TkroItem* columns) {
  TDSystem& sys = *store.System;
  sys.SetCurrentDir(kRootDir);
  const bool maximized = form.window->isMaximized();
  sys.WriteValue(kKeyMainMaximized, KroValue(maximized));
  if (!maximized) {
    const QRect g = form.window->geometry();
    sys.WriteValue(kKeyMainHeight, KroValue(g.height()));
    sys.WriteValue(kKeyMainWidth, KroValue(g.width()));
    sys.WriteValue(kKeyMainLeft, KroValue(g.x()));
    sys.WriteValue(kKeyMainTop, KroValue(g.y()));
  }
  sys.WriteValue(kKeyNavHeight, KroValue(form.pNav->height()));
  sys.WriteValue(kKeyLeftWidth, KroValue(form.pLeft->width()));

  saveGroups(store, form.interfaceGroups, kGroupInterface);

  std::vector<int> widths;
  const int viewColumns = form.List0->header()->count();
  for (int i = 0; i < viewColumns; ++i) widths.push_back(form.List0->header()->sectionSize(i));
  SaveListColumnWidths(store, columns, widths);

  sys.WriteValue(kKeyActionMode, KroValue(form.rgAction->itemIndex()));
  saveGroups(store, form.actionGroups, kGroupAction);
}
