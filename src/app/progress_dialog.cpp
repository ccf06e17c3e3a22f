#include "app/progress_dialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include "app/apply_form_strings.h"
#include "app/qt_text.h"
#include "app/widget_tags.h"
#include "lang/lang.h"
#include "lang/message_box.h"

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
  // Every line is one line of text: the list then lays out and scrolls without measuring
  // its rows, whatever their number.
  lbLog->setUniformItemSizes(true);
  lbLog->setWordWrap(false);
  // Uniform rows take their width from the first line, so a longer line is cut to fit;
  // cutting it in the middle keeps both the time and the result at its end (the reason a
  // file failed) in view, and the whole line is the row's tool tip.
  lbLog->setTextElideMode(Qt::ElideMiddle);

  auto clock = std::make_shared<QElapsedTimer>();
  clock->start();
  now_ = [clock] { return static_cast<std::int64_t>(clock->elapsed()); };

  // The buttons carry their texts by tag; the log caption keeps its surrounding spaces.
  ApplyFormStrings(this, 10, 1000);
  connect(Button1, &QPushButton::clicked, this, [this] { button1Click(); });
  connect(Button2, &QPushButton::clicked, this, [this] { button2Click(); });
  connect(Button3, &QPushButton::clicked, this, [this] { button3Click(); });
  setLogPanelVisible(false);
  UpdateDialogControls();
}

TForm3::~TForm3() = default;

void TForm3::RunModal(TkroPlayList& list, const IListRows& rows, const OperationParameters& params,
                      bool ignoreReadOnly) {
  engine_ = std::make_unique<TOperationEngine>(list, rows, *this);
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
  engine_->ResetDisplay();
  engine_->RunOperation(params_, ignoreReadOnly_);
  showPending();
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
  if (on != logPanelVisible() || height() != (on ? kHeightWithLog : kHeightWithoutLog))
    setLogPanelVisible(on);
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
    Label5->setText(text(f.speed));
    Label4->setText(text(f.remaining));
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

bool TForm3::askYesNo(const std::string& caption, const std::string& text) {
  showPending();
  MessageRequest box;
  box.caption = caption;
  box.text = text;
  box.icon = MsgIcon::Warning;
  box.buttons = mbYesNo;
  return ShowBox(box) == MsgResult::Yes;
}

void TForm3::showError(const std::string& caption, const std::string& text) {
  showPending();
  MessageRequest box;
  box.caption = caption;
  box.text = text;
  box.icon = MsgIcon::Error;
  box.buttons = mbOK;
  ShowBox(box);
}

void TForm3::openLogPanel() {
  logOpenedByRun_ = true;
  showPending();
  UpdateDialogControls();
  lbLog->scrollToBottom();
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
