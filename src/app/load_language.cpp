#include "app/load_language.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "app/apply_form_strings.h"
#include "app/nav_commands.h"
#include "app/radio_group.h"
#include "app/text_ids.h"
#include "lang/lang.h"

namespace {

QString text(int id) {
  return QString::fromStdString(LangString(id));
}

// The lines of a table text: the items of a radio group or a drop-down list.
QStringList items(int id) {
  const QString t = text(id);
  return t.isEmpty() ? QStringList() : t.split(QStringLiteral("\r\n"));
}

// Node captions: authored as the command number, they become the caption of the table row
// with that number, and the node keeps the row's index as its data.
void translateNavTree(QTreeWidget* tree) {
  if (!tree) return;
  for (QTreeWidgetItemIterator it(tree); *it; ++it) {
    QTreeWidgetItem* node = *it;
    const QString authored = node->text(0);
    for (int row = 0; row < NavCommandCount; ++row) {
      if (QString::number(NavCommandTable[row].command) != authored) continue;
      node->setData(0, Qt::UserRole, row);
      node->setText(0, text(NavCommandTable[row].text));
    }
  }
}

// Menu items (tag above 1000, the command number) carry their text id as caption.
void translateMenuItems(QWidget& window) {
  for (QAction* a : window.findChildren<QAction*>()) {
    bool hasTag = false;
    const int tag = a->property("tag").toInt(&hasTag);
    if (!hasTag || tag <= 1000) continue;
    bool isNumber = false;
    const int id = a->text().toInt(&isNumber);
    if (isNumber && id > 0) a->setText(text(id));
  }
}

void setComboItems(QComboBox* box, const QStringList& lines) {
  if (!box) return;
  const int index = box->currentIndex();
  box->clear();
  box->addItems(lines);
  box->setCurrentIndex(index < box->count() ? index : -1);
}

void setRadioItems(RadioGroup* group, const QStringList& lines) {
  if (group) group->setItems(lines);
}

void setDialog(QWidget& window, const char* name, int titleId, int filterId) {
  QFileDialog* d = MainWindowFileDialog(window, name);
  d->setWindowTitle(text(titleId));
  d->setNameFilters(DialogNameFilters(LangString(filterId)));
}

void setHint(QWidget* w, int id) {
  if (w) w->setToolTip(text(id));
}

}  // namespace

QStringList DialogNameFilters(const std::string& tableFilter) {
  const QStringList parts = QString::fromStdString(tableFilter).split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    const QString description = parts[i].trimmed();
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QLatin1String("*.*")) p = QStringLiteral("*");
    }
    const QString joined = patterns.join(QLatin1Char(' '));
    const QString bracketed = QStringLiteral("(") + parts[i + 1].trimmed() + QStringLiteral(")");
    if (description.endsWith(bracketed)) {
      // Keep the visible description; only the pattern Qt reads changes when needed.
      const QString head = description.left(description.size() - bracketed.size());
      filters << head + QStringLiteral("(") + joined + QStringLiteral(")");
    } else {
      filters << description + QStringLiteral(" (") + joined + QStringLiteral(")");
    }
  }
  return filters;
}

QFileDialog* MainWindowFileDialog(QWidget& window, const char* objectName) {
  const QString name = QString::fromLatin1(objectName);
  auto* d = window.findChild<QFileDialog*>(name, Qt::FindDirectChildrenOnly);
  if (!d) {
    d = new QFileDialog(&window);
    d->setObjectName(name);
  }
  return d;
}

void LoadLanguage(const LanguageWidgets& form) {
  LoadSizeUnits();
  translateNavTree(form.NavTree);
  QWidget& window = *form.window;
  translateMenuItems(window);

  if (form.JvNavPanelHeader1) form.JvNavPanelHeader1->setText(text(30));
  if (form.JvPanel4) form.JvPanel4->setText(text(31));
  if (form.JvPanel3) form.JvPanel3->setText(text(32));
  setHint(form.Button9, 234);

  setRadioItems(form.rgLimit, items(237));
  setRadioItems(form.rgAction, items(238));
  // "Skip identical" comes after the three table items, so stored indexes read the same.
  setRadioItems(form.rg1Exists, items(243) << text(417));
  setRadioItems(form.rg2Exists, items(243) << text(417));
  setRadioItems(form.rg3, items(258));
  setComboItems(form.cbFolders, items(262));

  ApplyFormStrings(&window, 1, 500);

  setDialog(window, kOpenPlaylistDialogName, 107, 109);
  setDialog(window, kOpenFilesDialogName, 108, 110);
  // Audio files first, every file second.
  MainWindowFileDialog(window, kOpenFilesDialogName)
      ->setNameFilters(DialogNameFilters(LangString(kTextAudioFilesFilter) + "|" +
                                         LangString(kTextAllFilesFilter)));
  setDialog(window, kSavePlaylistDialogName, 117, 109);

  if (form.gbPlayer) form.gbPlayer->setTitle(text(114));
  if (form.gbQuickStart) form.gbQuickStart->setTitle(text(115));
  setHint(form.bipPrev, 480);
  setHint(form.bipPlay, 481);
  setHint(form.bipPause, 482);
  setHint(form.bipStop, 483);
  setHint(form.bipNext, 484);
}
