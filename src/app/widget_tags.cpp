#include "app/widget_tags.h"

#include <QVariant>

#include "lang/lang.h"

int TagOf(const QObject* object) {
  if (!object) return -1;
  const QVariant v = object->property("tag");
  bool ok = false;
  const int tag = v.toInt(&ok);
  return v.isValid() && ok ? tag : -1;
}

QString DesignText(int id) {
  return QString::fromStdString(LangString(id));
}

QStringList DesignItems(int id) {
  QString text = DesignText(id);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}
