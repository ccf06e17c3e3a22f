#pragma once
// The main window's side of the configuration: the controls' defaults, the generic saving
// and loading of a panel's controls by their names (a control group), and applying and
// storing the window's state. The store side is in configuration.h.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QLineEdit;
class QComboBox;
class QRect;
class QSize;
class QSplitter;
class QTreeView;
class QWidget;
class RadioGroup;
class TkroItem;
class TkroObject;

// The main window's controls whose state is kept in the configuration, under the names the
// stored values know them by.
struct FormSettingsWidgets {
  QWidget* window = nullptr;  // bounds and maximized state
  QSplitter* spMain = nullptr;
  QSplitter* spLeft = nullptr;
  QWidget* pNav = nullptr;     // its height is stored
  QWidget* pLeft = nullptr;    // its width is stored
  QTreeView* List0 = nullptr;  // its column widths are stored
  // The control groups: "Interface" (pAFOptions, gbAFOptions) and "Action" (paCopy,
  // paDelete, paMove, paRename, paDest, paFolders).
  std::vector<QWidget*> interfaceGroups;
  std::vector<QWidget*> actionGroups;
  // Controls with a default of their own.
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* cbAFShowOptions = nullptr;
  QCheckBox* cbAFGetID3v1 = nullptr;
  QCheckBox* cbAFbyMask = nullptr;
  QComboBox* cbMask1 = nullptr;
  RadioGroup* rgAction = nullptr;
  RadioGroup* rgLimit = nullptr;
  QCheckBox* cbClearDest = nullptr;
  QCheckBox* cbVerify = nullptr;
  QCheckBox* cbDevPlaylist = nullptr;
  QLineEdit* edDevPlaylist = nullptr;
  RadioGroup* rg1Exists = nullptr;
  RadioGroup* rg2Exists = nullptr;
  QCheckBox* cbRemEmpty2 = nullptr;
  QCheckBox* cbRenameEnable = nullptr;
  QCheckBox* cb11 = nullptr;
  QCheckBox* cb12 = nullptr;
  QCheckBox* cb13 = nullptr;
  QCheckBox* cb14 = nullptr;
  QCheckBox* cb15 = nullptr;
  RadioGroup* rg3 = nullptr;
  QComboBox* cbCustomFC = nullptr;
  QComboBox* cbFolders = nullptr;
  QCheckBox* cbDelToTrash = nullptr;
  QCheckBox* cbRemEmpty1 = nullptr;
};

// Sets the main window's controls to their defaults, before any stored value is applied.
void SetDefaultFormSettings(const FormSettingsWidgets& form);

// A control group is the set of direct child controls of one container; its folder is
// prefix + "/" + the container's name. Each handled child is one value named after it:
// check box (boolean), radio group (item index), choose-only drop-down (item index),
// editable drop-down (its text, and its items under name + ".items", each item followed
// by CR LF), line edit (text), spin box (integer). Other controls are not stored.
//
// Loading reads each value with the control's current state as the default, so a missing
// value leaves its control unchanged; an index outside the control's items leaves it
// unchanged too. Returns 0, or -255 (nothing loaded) when the folder is missing. Both
// leave the root folder current.
std::int32_t LoadControlGroup(TkroObject& store, QWidget& container, const std::string& prefix);
std::int32_t SaveControlGroup(TkroObject& store, QWidget& container, const std::string& prefix);

// The operation panel's entry points that restoring the action goes through. Empty hooks
// fall back to setting rgAction's index and to nothing.
struct ConfApplyHooks {
  std::function<void(int)> SelectAction;
  std::function<void()> UpdateActionPanels;
};

// Stored bounds of a window made to fit `available` (a screen's area without its panels):
// a width or height that is not positive, or larger than both the area and the default,
// gives the default one; the window is moved, as little as needed, to lie wholly inside
// the area (to its left or top edge where it is larger). Any int values are safe,
// 2147483647 included.
QRect FitWindowBounds(int left, int top, int width, int height, const QRect& available,
                      const QSize& defaultSize);

// Applies the stored values to the main window: bounds (or centred when none are stored;
// kept on the available area of the screen they fall on, else of the primary screen),
// maximized state, the sizes of pNav and pLeft (applied again once the window is first
// shown, when the splitters know their real size), the control groups and the action.
void ConfApply(const FormSettingsWidgets& form, TkroObject& store,
               const ConfApplyHooks& hooks = {});

// Writes the main window's state into the store (bounds only when not maximized, panel
// sizes, control groups, the action, the list's column widths); the program saves the
// store to conf5.kro afterwards.
void ConfStoreWindow(const FormSettingsWidgets& form, TkroObject& store, TkroItem* columns);
