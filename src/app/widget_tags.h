#pragma once
// How the windows keep the string-table id of a control: the dynamic property "tag" (int)
// on the widget or action, as every window of the program does, and the control's name as
// its objectName. The helpers here also give a control its design-time text from the id,
// so a window looks finished before the start-up puts its texts in place.
#include <QObject>
#include <QString>
#include <QStringList>

class QAction;

// Sets objectName and, when tag >= 0, the "tag" property; returns the object.
template <class T>
T* Named(T* object, const char* name, int tag = -1) {
  object->setObjectName(QString::fromLatin1(name));
  if (tag >= 0) object->setProperty("tag", tag);
  return object;
}

// The "tag" property of an object, or -1 when it has none.
int TagOf(const QObject* object);

// The table text of an id, for design-time captions.
QString DesignText(int id);
// The lines of a table text (the items of a radio group or a drop-down list).
QStringList DesignItems(int id);

// Role of a navigation tree node's data that holds its command number (Qt::UserRole is
// left for the table row index that the start-up's language step stores).
constexpr int kNavCommandRole = Qt::UserRole + 1;
