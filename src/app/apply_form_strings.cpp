#include "app/apply_form_strings.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QVariant>
#include <QWidget>
#include <cstring>
#include <typeinfo>

#include "lang/lang.h"

namespace {

// The tab widget whose page `w` is, or null.
QTabWidget* tabWidgetOf(const QObject* o) {
  const auto* w = qobject_cast<const QWidget*>(o);
  if (!w || !w->parentWidget()) return nullptr;
  auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget());
  if (!stack) return nullptr;
  auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget());
  if (!tabs || tabs->indexOf(const_cast<QWidget*>(w)) < 0) return nullptr;
  return tabs;
}

int tagOf(const QObject* o) {
  bool ok = false;
  const int tag = o->property("tag").toInt(&ok);
  return ok ? tag : 0;  // a control without a tag has tag 0
}

void apply(QObject* o, int lowTag, int highTag) {
  const int tag = tagOf(o);
  if (tag >= lowTag && tag <= highTag) {
    const QString text = QString::fromStdString(LangString(tag));
    switch (FormStringKindOf(o)) {
      case FormStringKind::Caption:
        if (auto* a = qobject_cast<QAction*>(o))
          a->setText(text);
        else if (auto* l = qobject_cast<QLabel*>(o))
          l->setText(text);
        else if (auto* b = qobject_cast<QAbstractButton*>(o))
          b->setText(text);
        break;
      case FormStringKind::TabPage: {
        QTabWidget* tabs = tabWidgetOf(o);
        tabs->setTabText(tabs->indexOf(static_cast<QWidget*>(o)), text);
        break;
      }
      case FormStringKind::Hint:
        static_cast<QWidget*>(o)->setToolTip(text);
        break;
      case FormStringKind::Panel:
        static_cast<QGroupBox*>(o)->setTitle(QStringLiteral("  ") + text + QStringLiteral("  "));
        break;
      case FormStringKind::Group:
        static_cast<QGroupBox*>(o)->setTitle(QStringLiteral(" ") + text + QStringLiteral(" "));
        break;
      case FormStringKind::Other:
        break;
    }
  }
  for (QObject* child : o->children()) apply(child, lowTag, highTag);
}

}  // namespace

FormStringKind FormStringKindOf(const QObject* o) {
  if (!o) return FormStringKind::Other;
  // typeid, not the meta-object: a subclass without a meta-object of its own would
  // otherwise pass for its Qt base class.
  const std::type_info& t = typeid(*o);
  if (t == typeid(QCheckBox) || t == typeid(QLabel) || t == typeid(QPushButton) ||
      t == typeid(QAction))
    return FormStringKind::Caption;
  if (t == typeid(QToolButton)) return FormStringKind::Hint;
  if (t == typeid(QGroupBox))
    return o->objectName().startsWith(QLatin1String("pa")) ? FormStringKind::Panel
                                                           : FormStringKind::Group;
  if (std::strcmp(o->metaObject()->className(), "RadioGroup") == 0) return FormStringKind::Group;
  if (tabWidgetOf(o)) return FormStringKind::TabPage;
  return FormStringKind::Other;
}

void ApplyFormStrings(QWidget* form, int lowTag, int highTag) {
  if (!form) return;
  const bool wasEnabled = form->updatesEnabled();
  form->setUpdatesEnabled(false);
  for (QObject* child : form->children()) apply(child, lowTag, highTag);
  form->setUpdatesEnabled(wasEnabled);
}
