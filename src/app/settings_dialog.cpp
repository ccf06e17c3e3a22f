#include "app/settings_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/apply_form_strings.h"
#include "app/configuration.h"
#include "app/widget_tags.h"
#include "store/kro_object.h"

namespace {
QCheckBox* checkBox(QWidget* parent, const char* name, int tag) {
  return Named(new QCheckBox(DesignText(tag), parent), name, tag);
}
}  // namespace

TForm2::TForm2(std::function<TkroObject*()> configuration, QWidget* parent)
    : QDialog(parent), configuration_(std::move(configuration)) {
  setObjectName(QStringLiteral("Form2"));
  setWindowTitle(DesignText(280));
  setModal(true);

  PageControl1 = Named(new QTabWidget(this), "PageControl1");
  TabSheet1 = Named(new QWidget, "TabSheet1", 281);
  TabSheet2 = Named(new QWidget, "TabSheet2", 114);
  PageControl1->addTab(TabSheet1, DesignText(281));
  PageControl1->addTab(TabSheet2, DesignText(114));

  CheckBox1 = checkBox(TabSheet1, "CheckBox1", 282);
  CheckBox2 = checkBox(TabSheet1, "CheckBox2", 283);
  // This option carries no tag: its caption is set here once, from its own slot.
  CheckBox8 = Named(new QCheckBox(DesignText(476), TabSheet1), "CheckBox8");
  CheckBox9 = checkBox(TabSheet1, "CheckBox9", 466);
  auto* p1 = new QVBoxLayout(TabSheet1);
  p1->setContentsMargins(14, 14, 14, 14);
  p1->setSpacing(8);
  p1->addWidget(CheckBox1);
  p1->addWidget(CheckBox2);
  p1->addWidget(CheckBox8);
  p1->addWidget(CheckBox9);
  p1->addStretch();

  CheckBox3 = checkBox(TabSheet2, "CheckBox3", 285);
  CheckBox4 = checkBox(TabSheet2, "CheckBox4", 286);
  CheckBox5 = checkBox(TabSheet2, "CheckBox5", 287);
  CheckBox6 = checkBox(TabSheet2, "CheckBox6", 288);
  CheckBox7 = checkBox(TabSheet2, "CheckBox7", 289);
  // Shuffle, repeat and the key controls are not implemented anywhere; they stay disabled.
  for (QCheckBox* c : {CheckBox4, CheckBox5, CheckBox6}) c->setEnabled(false);
  auto* p2 = new QVBoxLayout(TabSheet2);
  p2->setContentsMargins(14, 14, 14, 14);
  p2->setSpacing(8);
  for (QCheckBox* c : {CheckBox3, CheckBox7, CheckBox4, CheckBox5, CheckBox6}) p2->addWidget(c);
  p2->addStretch();

  Button1 = Named(new QPushButton(DesignText(98), this), "Button1", 98);
  Button2 = Named(new QPushButton(DesignText(96), this), "Button2", 96);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, [this] {
    SaveSettings();
    accept();
  });
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(10, 10, 10, 10);
  v->addWidget(PageControl1);
  v->addLayout(buttons);
  setFixedSize(440, 280);

  // The table's texts reach every tagged control, then the caption, as on every dialog.
  ApplyFormStrings(this, 10, 1000);
  setWindowTitle(DesignText(280));
}

TkroObject* TForm2::configuration() const {
  return configuration_ ? configuration_() : nullptr;
}

namespace {
// The options in the order they are written.
struct Option {
  QCheckBox* TForm2::*box;
  const char* key;
};
constexpr Option kOptions[] = {
    {&TForm2::CheckBox1, kKeyRememberWorklist}, {&TForm2::CheckBox2, kKeyExitConfirm},
    {&TForm2::CheckBox3, kKeyPlayByPlaylist},   {&TForm2::CheckBox7, kKeyPlayerUpdateList},
    {&TForm2::CheckBox8, kKeyIgnoreReadOnly},   {&TForm2::CheckBox9, kKeyReadExtendedTags},
};
}  // namespace

void TForm2::LoadSettings() {
  TkroObject* conf = configuration();
  for (const Option& o : kOptions) {
    const bool on = conf && conf->System ? conf->System->ReadBool(o.key, true) : true;
    (this->*o.box)->setChecked(on);
  }
}

void TForm2::SaveSettings() {
  TkroObject* conf = configuration();
  if (!conf || !conf->System) return;
  for (const Option& o : kOptions)
    conf->System->WriteValue(o.key, KroValue((this->*o.box)->isChecked()));
}

void TForm2::showEvent(QShowEvent* event) {
  LoadSettings();
  QDialog::showEvent(event);
}
