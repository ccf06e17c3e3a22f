#pragma once
// Puts string-table texts onto a window's controls. Each control names its text by its
// "tag" property (string-table id); what the text becomes depends on the control's exact
// class, so a subclass with a look of its own is left alone unless it is listed here:
//   QCheckBox, QLabel, QPushButton, QAction (menu item), a page of a QTabWidget: the text;
//   QToolButton: the hint (tool tip);
//   a panel, that is a QGroupBox whose name starts with "pa" (paAction, paDest, ...):
//   "  " + text + "  " as the title;
//   any other QGroupBox and RadioGroup (a radio group): " " + text + " " as the title.
#include <QObject>

class QWidget;

// The exact kinds the texts go to; Other is left alone.
enum class FormStringKind { Other, Caption, TabPage, Hint, Panel, Group };
FormStringKind FormStringKindOf(const QObject* component);

// Visits every descendant of `form` (the form itself excluded) in creation order and
// gives each control whose tag lies in lowTag..highTag its text. A tag outside the table
// (above 499) gives an empty text. Redrawing is held while the texts change.
void ApplyFormStrings(QWidget* form, int lowTag, int highTag);
