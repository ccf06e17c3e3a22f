#include "app/about_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/program_version.h"
#include "app/widget_tags.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Form4"));
  setWindowTitle(DesignText(79));
  setModal(true);

  lName = Named(new QLabel(QString::fromLatin1(kProgramName), this), "lName");
  QFont f = lName->font();
  f.setPointSize(f.pointSize() + 10);
  f.setBold(true);
  lName->setFont(f);
  lName->setAlignment(Qt::AlignCenter);

  lVersion = Named(new QLabel(QStringLiteral("v %1").arg(QLatin1String(kProgramVersion)), this),
                   "lVersion");
  lVersion->setAlignment(Qt::AlignCenter);

  // The internal code name, as the maker's boxes show it.
  lText = Named(new QLabel(QStringLiteral("K7D40"), this), "lText");
  lText->setAlignment(Qt::AlignCenter);
  lText->setEnabled(false);

  Button1 = Named(new QPushButton(DesignText(98), this), "Button1", 98);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addStretch();

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(24, 20, 24, 16);
  v->setSpacing(8);
  v->addWidget(lName);
  v->addWidget(lVersion);
  v->addSpacing(6);
  v->addWidget(lText);
  v->addSpacing(10);
  v->addLayout(buttons);
  setFixedSize(320, 200);
}
