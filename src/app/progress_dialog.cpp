#include "app/progress_dialog.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>

#include "app/widget_tags.h"

namespace {
QLabel* label(QWidget* parent, const char* name, const QRect& r, Qt::Alignment a) {
  auto* l = Named(new QLabel(parent), name);
  l->setGeometry(r);
  l->setAlignment(a | Qt::AlignVCenter);
  return l;
}

QProgressBar* bar(QWidget* parent, const char* name, const QRect& r) {
  auto* b = Named(new QProgressBar(parent), name);
  b->setGeometry(r);
  b->setRange(0, 1000);
  b->setValue(0);
  b->setTextVisible(false);
  return b;
}
}  // namespace

TForm3::TForm3(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form3"));
  setModal(true);
  setWindowTitle(DesignText(300));
  const int w = kClientWidth;

  l1 = label(this, "l1", QRect(10, 8, w - 20, 20), Qt::AlignLeft);
  QFont bold = l1->font();
  bold.setBold(true);
  l1->setFont(bold);

  Label2 = label(this, "Label2", QRect(10, 30, w - 20, 32), Qt::AlignLeft);
  Label2->setWordWrap(true);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  // Figures left and right of the bars take two lines each: amount and time.
  Label7 = label(this, "Label7", QRect(10, 66, 96, 40), Qt::AlignRight);
  pb1 = bar(this, "pb1", QRect(112, 68, w - 224, 16));
  pb2 = bar(this, "pb2", QRect(112, 90, w - 224, 16));
  Label6 = label(this, "Label6", QRect(w - 106, 66, 96, 40), Qt::AlignLeft);

  const int third = (w - 224) / 3;
  Label3 = label(this, "Label3", QRect(112, 110, third, 18), Qt::AlignLeft);
  Label5 = label(this, "Label5", QRect(112 + third, 110, third, 18), Qt::AlignHCenter);
  Label4 =
      label(this, "Label4", QRect(112 + 2 * third, 110, w - 224 - 2 * third, 18), Qt::AlignRight);

  const int buttonsTop = kHeightWithoutLog - 40;
  Button3 = Named(new QPushButton(DesignText(304), this), "Button3", 304);
  Button3->setGeometry(10, buttonsTop, 90, 28);
  Button2 = Named(new QPushButton(DesignText(305), this), "Button2", 305);
  Button2->setGeometry(w - 200, buttonsTop, 90, 28);
  Button1 = Named(new QPushButton(DesignText(302), this), "Button1", 302);
  Button1->setGeometry(w - 100, buttonsTop, 90, 28);

  // The log panel lies below the buttons and is cut off when the dialog is short.
  const int logTop = kHeightWithoutLog;
  Bevel1 = Named(new QFrame(this), "Bevel1");
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->setGeometry(10, logTop, w - 20, 4);
  Label1 = label(this, "Label1", QRect(20, logTop - 7, 60, 16), Qt::AlignLeft);
  Label1->setText(QStringLiteral(" ") + DesignText(304) + QStringLiteral(" "));
  Label1->setAutoFillBackground(true);
  Label1->adjustSize();
  lbLog = Named(new QListWidget(this), "lbLog");
  lbLog->setGeometry(10, logTop + 12, w - 20, kHeightWithLog - logTop - 20);
  lbLog->setSelectionMode(QAbstractItemView::NoSelection);
  lbLog->setFocusPolicy(Qt::NoFocus);

  setLogPanelVisible(false);
}

void TForm3::setLogPanelVisible(bool on) {
  Label1->setVisible(on);
  Bevel1->setVisible(on);
  lbLog->setVisible(on);
  setFixedSize(kClientWidth, on ? kHeightWithLog : kHeightWithoutLog);
}

bool TForm3::logPanelVisible() const {
  return !lbLog->isHidden();
}
