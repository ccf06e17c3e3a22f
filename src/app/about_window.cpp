#include "app/about_window.h"

#include <mpv/client.h>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtGlobal>

#include "app/program_version.h"
#include "app/widget_tags.h"

QIcon ProgramIcon() {
  return QIcon::fromTheme(QStringLiteral("tavel"), QIcon(QStringLiteral(":/icons/tavel.svg")));
}

std::vector<UsedLibrary> UsedLibraries() {
  const unsigned long mpv = mpv_client_api_version();
  return {
      {QStringLiteral("Qt"), QString::fromLatin1(qVersion()), QStringLiteral("LGPL-3.0-only")},
      // Debian's libmpv is built with its GPL parts; the client API version is what the
      // library reports of itself.
      {QStringLiteral("libmpv"), QStringLiteral("API %1.%2").arg(mpv >> 16).arg(mpv & 0xffff),
       QStringLiteral("GPL-2.0-or-later")},
  };
}

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

  lText = Named(new QLabel(DesignText(477), this), "lText");
  lText->setAlignment(Qt::AlignCenter);
  lText->setWordWrap(true);

  lLicence =
      Named(new QLabel(DesignText(478).replace(QLatin1String("%1"), QLatin1String(kProgramLicence)),
                       this),
            "lLicence");
  lLicence->setAlignment(Qt::AlignCenter);

  QStringList lines{DesignText(479)};
  for (const UsedLibrary& l : UsedLibraries())
    lines << QStringLiteral("%1 %2 (%3)").arg(l.name, l.version, l.licence);
  lLibraries = Named(new QLabel(lines.join(QLatin1Char('\n')), this), "lLibraries");
  lLibraries->setAlignment(Qt::AlignCenter);
  lLibraries->setEnabled(false);
  lLibraries->setTextInteractionFlags(Qt::TextSelectableByMouse);

  Button1 = Named(new QPushButton(DesignText(98), this), "Button1", 98);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addStretch();

  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(64, 64));
  icon->setAlignment(Qt::AlignCenter);

  auto* v = new QVBoxLayout(this);
  v->setContentsMargins(24, 20, 24, 16);
  v->setSpacing(8);
  v->addWidget(icon);
  v->addWidget(lName);
  v->addWidget(lVersion);
  v->addSpacing(6);
  v->addWidget(lText);
  v->addWidget(lLicence);
  v->addSpacing(6);
  v->addWidget(lLibraries);
  v->addSpacing(10);
  v->addLayout(buttons);
  setFixedWidth(420);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}
