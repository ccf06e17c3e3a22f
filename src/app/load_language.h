#pragma once
// Puts the string table onto the main window at start-up: the size units, the navigation
// tree's captions (each node gets its command-table row), the context menu's captions,
// the fixed headers, the item lists of the radio groups and drop-downs, every tagged
// control, the file dialogs' titles and filters and the player's hints. Runs once, as the
// first start-up stage, before the defaults and the configuration are applied.
#include <QString>
#include <QStringList>
#include <string>

class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;
class QTreeWidget;
class QWidget;
class RadioGroup;

// The main window's controls that get texts of their own beyond their tags.
struct LanguageWidgets {
  QWidget* window = nullptr;  // its tagged controls and menu items; owns the file dialogs
  QTreeWidget* NavTree = nullptr;
  QLabel* JvNavPanelHeader1 = nullptr;
  QLabel* JvPanel4 = nullptr;
  QLabel* JvPanel3 = nullptr;
  QPushButton* Button9 = nullptr;
  RadioGroup* rgLimit = nullptr;
  RadioGroup* rgAction = nullptr;
  RadioGroup* rg1Exists = nullptr;
  RadioGroup* rg2Exists = nullptr;
  RadioGroup* rg3 = nullptr;
  QComboBox* cbFolders = nullptr;
  QGroupBox* gbPlayer = nullptr;
  QGroupBox* gbQuickStart = nullptr;
  QToolButton* bipPrev = nullptr;
  QToolButton* bipPlay = nullptr;
  QToolButton* bipPause = nullptr;
  QToolButton* bipStop = nullptr;
  QToolButton* bipNext = nullptr;
};

void LoadLanguage(const LanguageWidgets& form);

// Object names of the main window's three file dialogs; LoadLanguage creates them (owned
// by the window, not shown) when the window has none of that name, and the commands that
// open a playlist, add files or save the list use them.
constexpr const char* kOpenPlaylistDialogName = "OpenPLDialog";
constexpr const char* kOpenFilesDialogName = "OpenDialog1";
constexpr const char* kSavePlaylistDialogName = "SavePLDialog";
QFileDialog* MainWindowFileDialog(QWidget& window, const char* objectName);

// A table filter ("description|pattern|description|pattern") as Qt name filters: each pair
// becomes "description (pattern)", or the description alone when it already ends with the
// pattern in brackets. "*.*" means every file, as users of this program expect, so it
// becomes "*" (Qt's "*.*" would skip names without a dot).
QStringList DialogNameFilters(const std::string& tableFilter);
