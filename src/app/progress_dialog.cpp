#include "app/progress_dialog.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSpacerItem>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "app/apply_form_strings.h"
#include "app/qt_text.h"
#include "app/widget_tags.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "lang/messages.h"

namespace {
QLabel* label(QWidget* parent, const char* name, Qt::Alignment a, int tag = -1) {
  auto* l = Named(new QLabel(parent), name, tag);
  if (tag >= 0) l->setText(DesignText(tag));
  l->setAlignment(a | Qt::AlignVCenter);
  return l;
}

QProgressBar* bar(QWidget* parent, const char* name) {
  auto* b = Named(new QProgressBar(parent), name);
  b->setRange(0, 1000);
  b->setValue(0);
  b->setTextVisible(false);
  b->setFixedHeight(16);
  return b;
}

QPushButton* button(QWidget* parent, const char* name, int tag, int width) {
  auto* b = Named(new QPushButton(DesignText(tag), parent), name, tag);
  b->setMinimumWidth(width);
  return b;
}

constexpr int kFigureWidth = 96;  // the columns left and right of the bars
}  // namespace

TForm3::TForm3(QWidget* parent, RunEndServices services)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      services_(std::move(services)) {
  setObjectName(QStringLiteral("Form3"));
  setModal(true);
  setWindowTitle(DesignText(300));
  setSizeGripEnabled(true);

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(10, 8, 10, 10);
  outer->setSpacing(4);

  l1 = label(this, "l1", Qt::AlignLeft);
  QFont bold = l1->font();
  bold.setBold(true);
  l1->setFont(bold);
  outer->addWidget(l1);

  // Two lines, whatever the path: the figures below must not move with it.
  Label2 = label(this, "Label2", Qt::AlignLeft);
  Label2->setWordWrap(true);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Label2->setFixedHeight(2 * Label2->fontMetrics().lineSpacing() + 2);
  Label2->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  outer->addWidget(Label2);

  // The bars in the middle; left of them what is done, right of them the whole, each under
  // its caption and two lines high (amount and time); under the bars percentage, speed and
  // remaining time.
  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(4);
  lDone = label(this, "lDone", Qt::AlignRight, 468);
  lTotal = label(this, "lTotal", Qt::AlignLeft, 469);
  Label7 = label(this, "Label7", Qt::AlignRight);
  Label6 = label(this, "Label6", Qt::AlignLeft);
  for (QLabel* l : {lDone, lTotal, Label7, Label6}) l->setFixedWidth(kFigureWidth);
  for (QLabel* l : {Label7, Label6}) {
    l->setAlignment(l->alignment() & Qt::AlignHorizontal_Mask);
    l->setAlignment(l->alignment() | Qt::AlignTop);
    l->setFixedHeight(2 * l->fontMetrics().lineSpacing() + 2);
  }
  for (QLabel* l : {lDone, lTotal}) {
    QFont small = l->font();
    small.setPointSizeF(small.pointSizeF() * 0.9);
    l->setFont(small);
    l->setEnabled(false);  // drawn grey: a caption, not a figure
  }
  pb1 = bar(this, "pb1");
  pb2 = bar(this, "pb2");
  grid->addWidget(lDone, 0, 0);
  grid->addWidget(pb1, 0, 1);
  grid->addWidget(lTotal, 0, 2);
  grid->addWidget(Label7, 1, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(pb2, 1, 1);
  grid->addWidget(Label6, 1, 2, 2, 1, Qt::AlignTop);

  auto* figures = new QHBoxLayout;
  figures->setSpacing(4);
  Label3 = label(this, "Label3", Qt::AlignLeft);
  lSpeed = label(this, "lSpeed", Qt::AlignRight, 470);
  Label5 = label(this, "Label5", Qt::AlignLeft);
  lRemaining = label(this, "lRemaining", Qt::AlignRight, 471);
  Label4 = label(this, "Label4", Qt::AlignLeft);
  for (QLabel* l : {lSpeed, lRemaining}) l->setEnabled(false);
  figures->addWidget(Label3, 1);
  figures->addWidget(lSpeed);
  figures->addWidget(Label5, 2);
  figures->addWidget(lRemaining);
  figures->addWidget(Label4, 1);
  grid->addLayout(figures, 2, 1);
  grid->setColumnStretch(1, 1);
  outer->addLayout(grid);

  lEject = label(this, "lEject", Qt::AlignLeft);
  lEject->setWordWrap(true);
  lEject->hide();
  outer->addWidget(lEject);

  gap_ = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
  outer->addSpacerItem(gap_);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(10);
  Button3 = button(this, "Button3", 304, 90);
  btOpenFolder = button(this, "btOpenFolder", 473, 90);
  btEject = button(this, "btEject", 474, 90);
  Button2 = button(this, "Button2", 305, 90);
  Button1 = button(this, "Button1", 302, 90);
  btOpenFolder->hide();
  btEject->hide();
  buttons->addWidget(Button3);
  buttons->addWidget(btOpenFolder);
  buttons->addWidget(btEject);
  buttons->addStretch(1);
  buttons->addWidget(Button2);
  buttons->addWidget(Button1);
  outer->addLayout(buttons);

  // The log panel: its caption in a line across the dialog, then the log, which takes
  // every pixel the dialog grows by.
  auto* title = new QHBoxLayout;
  title->setSpacing(0);
  auto* lead = bevelLead_ = new QFrame(this);
  Bevel1 = Named(new QFrame(this), "Bevel1");
  for (QFrame* f : {lead, Bevel1}) {
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Sunken);
  }
  lead->setFixedWidth(10);
  Label1 = label(this, "Label1", Qt::AlignLeft);
  Label1->setText(QStringLiteral(" ") + DesignText(304) + QStringLiteral(" "));
  title->addWidget(lead);
  title->addWidget(Label1);
  title->addWidget(Bevel1, 1);
  outer->addLayout(title);

  lbLog = Named(new QListWidget(this), "lbLog");
  lbLog->setMinimumHeight(40);
  // Lines are selected with the mouse and keys and copied (Ctrl+C or the context menu);
  // the log takes the focus only when clicked, so Escape and Enter still reach the buttons.
  lbLog->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lbLog->setFocusPolicy(Qt::ClickFocus);
  // Every line is one line of text: the list then lays out and scrolls without measuring
  // its rows, whatever their number.
  lbLog->setUniformItemSizes(true);
  lbLog->setWordWrap(false);
  // Uniform rows take their width from the first line, so a longer line is cut to fit;
  // cutting it in the middle keeps both the time and the result at its end (the reason a
  // file failed) in view, and the whole line is the row's tool tip (and what is copied).
  lbLog->setTextElideMode(Qt::ElideMiddle);
  acCopyLog = Named(new QAction(DesignText(472), lbLog), "acCopyLog", 472);
  acCopyLog->setShortcut(QKeySequence::Copy);
  acCopyLog->setShortcutContext(Qt::WidgetShortcut);
  acSelectAllLog = Named(new QAction(DesignText(429), lbLog), "acSelectAllLog", 429);
  acSelectAllLog->setShortcut(QKeySequence::SelectAll);
  acSelectAllLog->setShortcutContext(Qt::WidgetShortcut);
  lbLog->addAction(acCopyLog);
  lbLog->addAction(acSelectAllLog);
  lbLog->setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(acCopyLog, &QAction::triggered, this, [this] { copySelectedLogLines(); });
  connect(acSelectAllLog, &QAction::triggered, lbLog, &QListWidget::selectAll);
  // The key reaches the log also where no shortcut map runs (the window not yet active).
  lbLog->installEventFilter(this);
  outer->addWidget(lbLog, 1);

  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  now_ = [clock] { return static_cast<std::int64_t>(clock->elapsed()); };

  // The buttons carry their texts by tag; the log caption keeps its surrounding spaces.
  ApplyFormStrings(this, 10, 1000);
  connect(Button1, &QPushButton::clicked, this, [this] { button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { button2Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] { button3Click(); });
  connect(btOpenFolder, &QPushButton::clicked, this, [this] { openFolderClick(); });
  connect(btEject, &QPushButton::clicked, this, [this] { ejectClick(); });
  resize(kClientWidth, kHeightWithoutLog);
  setLogPanelVisible(false);
  UpdateDialogControls();
}

TForm3::~TForm3() = default;

void TForm3::RunModal(TkroPlayList& list, const IListRows& rows, const OperationParameters& params,
                      bool ignoreReadOnly) {
  engine_ = std::make_unique<TOperationEngine>(list, rows, *this, services_.isRemovable);
  params_ = params;
  ignoreReadOnly_ = ignoreReadOnly;
  pendingRun_ = true;
  logOpenedByRun_ = false;
  exec();
  engine_.reset();
  flags_ = RunFlags{};
}

void TForm3::setClock(std::function<std::int64_t()> nowMs) {
  now_ = std::move(nowMs);
  lastRedraw_ = lastPump_ = INT64_MIN / 2;
}

void TForm3::setLogSetting(std::function<bool()> read, std::function<void(bool)> write) {
  readLog_ = std::move(read);
  writeLog_ = std::move(write);
  UpdateDialogControls();
}

bool TForm3::logSwitch() const {
  return readLog_ ? readLog_() : ownLogSwitch_;
}

void TForm3::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  const int action = params_.action;
  const std::string name =
      action >= 0 && action <= 2 ? LangString(OperationNameId(action)) : std::string();
  setWindowTitle(q(LangFormat(300, {name})));
  UpdateDialogControls();
  // The run starts once the dialog is on screen and the event loop of exec() runs.
  if (pendingRun_) QTimer::singleShot(0, this, [this] { activate(); });
}

void TForm3::activate() {
  if (!pendingRun_ || !engine_) return;
  pendingRun_ = false;
  cancelled_ = false;
  ++runNumber_;
  hideRunEnd();
  engine_->ResetDisplay();
  engine_->RunOperation(params_, ignoreReadOnly_);
  showPending();
  finishRun();
}

void TForm3::hideRunEnd() {
  endRoot_.clear();
  btOpenFolder->hide();
  btEject->hide();
  lEject->clear();
  lEject->hide();
}

void TForm3::finishRun() {
  if (params_.action == actCopy || params_.action == actMove) {
    const std::string root = DestinationRoot(params_.destination);
    if (!root.empty() && QFileInfo(q(root)).isDir()) {
      endRoot_ = root;
      btOpenFolder->show();
      btEject->setVisible(services_.eject && services_.isRemovable && services_.isRemovable(root));
      btEject->setEnabled(true);
    }
  }
  const bool active = services_.programActive
                          ? services_.programActive()
                          : QGuiApplication::applicationState() == Qt::ApplicationActive;
  if (!active && services_.notify)
    services_.notify(windowTitle().toStdString(), l1->text().toStdString());
}

void TForm3::openFolderClick() {
  if (endRoot_.empty()) return;
  const bool opened = services_.openFolder
                          ? services_.openFolder(endRoot_)
                          : QDesktopServices::openUrl(QUrl::fromLocalFile(q(endRoot_)));
  if (!opened) ShowMessageE(LangFormat(457, {endRoot_}));
}

void TForm3::ejectClick() {
  if (endRoot_.empty() || !services_.eject) return;
  btEject->setEnabled(false);
  btOpenFolder->setEnabled(false);  // the folder is about to go away
  lEject->setText(q(LangString(428)));
  lEject->show();
  // The drive may take seconds to power off, and the answer may come after the dialog is
  // gone or has started the next run.
  QPointer<TForm3> self(this);
  const int run = runNumber_;
  services_.eject(endRoot_, [self, run](const EjectOutcome& outcome) {
    if (self && self->runNumber_ == run) self->ejectDone(outcome);
  });
}

void TForm3::ejectDone(const EjectOutcome& outcome) {
  const std::string text = outcome.ok ? LangString(475) : LangFormat(425, {outcome.reason});
  lEject->setText(q(text));
  lEject->show();
  addLogLine(text, true);
  showPending();
  if (outcome.ok) {
    btEject->hide();
    btOpenFolder->hide();
    endRoot_.clear();
  } else {
    // The user may close what holds the drive and try again.
    btEject->setEnabled(true);
    btOpenFolder->setEnabled(true);
  }
}

bool TForm3::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lbLog && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    copySelectedLogLines();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TForm3::copySelectedLogLines() {
  QStringList lines;
  for (int row = 0; row < lbLog->count(); ++row)
    if (lbLog->item(row)->isSelected()) lines.append(lbLog->item(row)->text());
  if (!lines.isEmpty())
    QGuiApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void TForm3::button1Click() {
  if (!flags_.running) {
    accept();
    return;
  }
  if (engine_) engine_->CancelClicked();
}

void TForm3::button2Click() {
  if (engine_) engine_->SkipClicked();
}

void TForm3::button3Click() {
  // A panel the run opened closes with the first press.
  const bool on = !(logSwitch() || logOpenedByRun_);
  logOpenedByRun_ = false;
  if (writeLog_)
    writeLog_(on);
  else
    ownLogSwitch_ = on;
  UpdateDialogControls();
}

void TForm3::reject() {
  if (flags_.running || pendingRun_) {
    if (engine_ && flags_.running) engine_->CancelClicked();
    return;
  }
  QDialog::reject();
}

void TForm3::closeEvent(QCloseEvent* event) {
  if (flags_.running || pendingRun_) {
    if (engine_ && flags_.running) engine_->CancelClicked();
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TForm3::UpdateDialogControls() {
  const bool on = logSwitch() || logOpenedByRun_;
  if (on != logPanelVisible()) setLogPanelVisible(on);
  Button1->setText(q(LangString(flags_.running ? 303 : 302)));
  Button1->setEnabled(!flags_.aborted);
  Button2->setEnabled(flags_.running && !flags_.skipCurrent);
}

void TForm3::showHeader(const std::string& text) {
  l1->setText(q(text));
}

void TForm3::addLogLine(const std::string& text, bool withTime) {
  pending_.lines.append(q(withTime ? TimePrefixedLine(text) : text));
}

void TForm3::appendToLastLogLine(const std::string& text) {
  if (!pending_.lines.isEmpty()) {
    pending_.lines.last() += q(text);
    return;
  }
  if (lbLog->count() == 0) {
    pending_.lines.append(q(text));
    return;
  }
  QListWidgetItem* last = lbLog->item(lbLog->count() - 1);
  last->setText(last->text() + q(text));
  last->setToolTip(last->text());
}

void TForm3::clearLog() {
  pending_.lines.clear();
  lbLog->clear();
}

void TForm3::setBars(int overall, int file) {
  pending_.bars = std::make_pair(overall, file);
}

void TForm3::setFigures(const ProgressFigures& f) {
  pending_.figures = f;
}

void TForm3::setCurrentFile(const std::string& path) {
  pending_.currentFile = path;
}

void TForm3::showPending() {
  lastRedraw_ = now_();
  if (pending_.bars) {
    pb1->setValue(pending_.bars->first);
    pb2->setValue(pending_.bars->second);
  }
  if (pending_.figures) {
    // The engine's line breaks are CR LF; a label breaks at LF.
    auto text = [](const std::string& s) { return q(s).remove(QLatin1Char('\r')); };
    const ProgressFigures& f = *pending_.figures;
    Label3->setText(text(f.percent));
    Label5->setText(cancelled_ ? QString() : text(f.speed));
    Label4->setText(cancelled_ ? QString() : text(f.remaining));
    Label7->setText(text(f.doneText));
    Label6->setText(text(f.totalText));
  }
  if (pending_.currentFile) Label2->setText(q(*pending_.currentFile));
  if (!pending_.lines.isEmpty()) {
    const int first = lbLog->count();
    lbLog->addItems(pending_.lines);
    for (int row = first; row < lbLog->count(); ++row) {
      QListWidgetItem* item = lbLog->item(row);
      item->setToolTip(item->text());
    }
    lbLog->scrollToBottom();
  }
  pending_ = Pending{};
}

void TForm3::updateControls(const RunFlags& flags) {
  flags_ = flags;
  if (flags.aborted && !cancelled_) {
    // A cancelled run's last speed and remaining time would read as if it went on.
    cancelled_ = true;
    Label5->clear();
    Label4->clear();
  }
  // The run's end (and a cancel) shows its final state at once.
  if (!flags.running || flags.aborted) showPending();
  UpdateDialogControls();
}

void TForm3::pumpMessages() {
  const std::int64_t now = now_();
  const bool redraw = now - lastRedraw_ >= kRedrawMs;
  if (redraw) showPending();
  if (!redraw && now - lastPump_ < kPumpMs) return;
  lastPump_ = now;
  QCoreApplication::processEvents();
}

MsgResult TForm3::showBox(const std::string& caption, const std::string& text, MsgIcon icon,
                          int buttons) {
  // The user answers what the screen shows: everything reported goes up first.
  showPending();
  MessageRequest box;
  box.caption = caption;
  box.text = text;
  box.icon = icon;
  box.buttons = buttons;
  return ShowBox(box);
}

bool TForm3::askYesNo(const std::string& caption, const std::string& text) {
  return showBox(caption, text, MsgIcon::Warning, mbYesNo) == MsgResult::Yes;
}

IProgressDisplay::Answer TForm3::askYesNoCancel(const std::string& caption,
                                                const std::string& text) {
  switch (showBox(caption, text, MsgIcon::Warning, mbYesNo | mbCancel)) {
    case MsgResult::Yes:
      return Answer::Yes;
    case MsgResult::No:
      return Answer::No;
    default:
      return Answer::Cancel;
  }
}

void TForm3::showError(const std::string& caption, const std::string& text) {
  showBox(caption, text, MsgIcon::Error, mbOK);
}

void TForm3::openLogPanel() {
  logOpenedByRun_ = true;
  showPending();
  UpdateDialogControls();
  lbLog->scrollToBottom();
}

void TForm3::setLogPanelVisible(bool on) {
  if (!on && logPanelVisible()) logHeight_ = std::max(height(), int(kHeightWithLog));
  Label1->setVisible(on);
  Bevel1->setVisible(on);
  bevelLead_->setVisible(on);
  lbLog->setVisible(on);
  // Without the log nothing can use more height; with it, the log takes what is spare.
  gap_->changeSize(0, 0, QSizePolicy::Minimum, on ? QSizePolicy::Minimum : QSizePolicy::Expanding);
  const int h = on ? logHeight_ : kHeightWithoutLog;
  setMinimumSize(kClientWidth, on ? kHeightWithLog : kHeightWithoutLog);
  setMaximumSize(QWIDGETSIZE_MAX, on ? QWIDGETSIZE_MAX : kHeightWithoutLog);
  resize(std::max(width(), int(kClientWidth)), h);
  layout()->invalidate();
  layout()->activate();
}

bool TForm3::logPanelVisible() const {
  return !lbLog->isHidden();
}
