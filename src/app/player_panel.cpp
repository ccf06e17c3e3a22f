#include "app/player_panel.h"

#include <QGuiApplication>
#include <QItemSelectionModel>
#include <map>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/operation_panel.h"
#include "app/program.h"
#include "app/qt_text.h"
#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "player/mpv_device.h"

namespace {
constexpr const char* kPanelObjectName = "PlayerPanel";

// Extra mpv options for scripted runs and diagnosis, "name=value" pairs separated by
// commas in TAVEL_MPV_OPTIONS (for example "ao=null" on a machine without sound).
std::map<std::string, std::string> mpvOptionsFromEnvironment() {
  std::map<std::string, std::string> options;
  const QString text = qEnvironmentVariable("TAVEL_MPV_OPTIONS");
  for (const QString& pair : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const qsizetype eq = pair.indexOf(QLatin1Char('='));
    if (eq > 0)
      options[pair.left(eq).trimmed().toStdString()] = pair.mid(eq + 1).trimmed().toStdString();
  }
  return options;
}
}  // namespace

PlayerPanel::PlayerPanel(TForm1& form) : QObject(&form), form_(form) {
  setObjectName(QString::fromLatin1(kPanelObjectName));
  TForm1* f = &form;
  // After the shutdown stages the work list is gone; the timers may still tick until the
  // window is destroyed.
  auto workList = [f]() -> TkroPlayList* {
    return f->closed() ? nullptr : f->program().workList();
  };
  player_ =
      std::make_unique<TPlayer>(*this, std::make_unique<MpvDevice>(mpvOptionsFromEnvironment()),
                                *form.ipTimer1, *form.ipTimer2, workList);
  TPlayer* p = player_.get();
  connect(form.bipPlay, &QToolButton::clicked, this,
          [p] { p->bipPlayClick(PlaySource::PlayButton); });
  connect(form.bipPause, &QToolButton::clicked, this, [p] { p->bipPauseClick(); });
  connect(form.bipStop, &QToolButton::clicked, this, [p] { p->bipStopClick(); });
  connect(form.bipPrev, &QToolButton::clicked, this,
          [p] { p->bipPrevClick(PlaySource::PrevButton); });
  connect(form.bipNext, &QToolButton::clicked, this,
          [p] { p->bipPrevClick(PlaySource::NextButton); });
  connect(form.ipPos, &QSlider::valueChanged, this, [p](int) { p->ipPosChange(); });
  connect(form.List0, &QAbstractItemView::doubleClicked, this, [p](const QModelIndex& index) {
    if (index.isValid()) p->bipPlayClick(PlaySource::List);
  });
}

PlayerPanel::~PlayerPanel() = default;

PlayerPanel& PlayerPanel::of(TForm1& form) {
  if (auto* p = form.findChild<PlayerPanel*>(QString::fromLatin1(kPanelObjectName),
                                             Qt::FindDirectChildrenOnly))
    return *p;
  return *new PlayerPanel(form);
}

void PlayerPanel::ConnectCommands() {
  TPlayer* p = player_.get();
  Commands::of(form_).setPlayRequest([p] { p->bipPlayClick(PlaySource::PlayButton); });
  OperationPanel::of(form_).setPlayerStop([p] { p->bipStopClick(); });
}

// ---- rows ------------------------------------------------------------------------------

int PlayerPanel::RowCount() const {
  return WorkListView::of(form_).RowCount();
}
int PlayerPanel::RowEntryId(int row) const {
  return WorkListView::of(form_).RowEntryId(row);
}
bool PlayerPanel::RowChecked(int row) const {
  return WorkListView::of(form_).RowChecked(row);
}
bool PlayerPanel::RowSelected(int row) const {
  return WorkListView::of(form_).RowSelected(row);
}

int PlayerPanel::FocusedRow() const {
  const QModelIndex current = form_.List0->currentIndex();
  return current.isValid() ? current.row() : -1;
}

int PlayerPanel::SelectedRow() const {
  QItemSelectionModel* sel = form_.List0->selectionModel();
  if (!sel) return -1;
  int first = -1;
  for (const QModelIndex& i : sel->selectedRows())
    if (first < 0 || i.row() < first) first = i.row();
  return first;
}

void PlayerPanel::SelectOnly(int row) {
  QItemSelectionModel* sel = form_.List0->selectionModel();
  if (!sel || !form_.listModel()) return;
  sel->select(form_.listModel()->index(row, 0),
              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void PlayerPanel::SelectAlso(int row) {
  QItemSelectionModel* sel = form_.List0->selectionModel();
  if (!sel || !form_.listModel()) return;
  sel->select(form_.listModel()->index(row, 0),
              QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void PlayerPanel::SetFocusedRow(int row) {
  QItemSelectionModel* sel = form_.List0->selectionModel();
  if (!sel || !form_.listModel()) return;
  const QModelIndex index = form_.listModel()->index(row, 0);
  sel->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  // The list follows the player when it moves on by itself.
  form_.List0->scrollTo(index);
}

void PlayerPanel::UpdateRow(int row) {
  WorkListView::of(form_).ListUpdateItem(row);
}

// ---- displays --------------------------------------------------------------------------

void PlayerPanel::SetTimeText(const std::string& text) {
  form_.ipTime->setText(q(text));
}
std::string PlayerPanel::TimeText() const {
  return form_.ipTime->text().toStdString();
}
void PlayerPanel::SetTitleText(const std::string& text) {
  form_.ipTitle->setText(q(text));
}
std::string PlayerPanel::TitleText() const {
  return form_.ipTitle->text().toStdString();
}
int PlayerPanel::SliderValue() const {
  return form_.ipPos->value();
}
void PlayerPanel::SetSliderValue(int ms) {
  form_.ipPos->setValue(ms);
}
int PlayerPanel::SliderMax() const {
  return form_.ipPos->maximum();
}
void PlayerPanel::SetSliderMax(int ms) {
  form_.ipPos->setMaximum(ms);
}
bool PlayerPanel::SliderEnabled() const {
  return form_.ipPos->isEnabled();
}
void PlayerPanel::SetSliderEnabled(bool enabled) {
  form_.ipPos->setEnabled(enabled);
}

void PlayerPanel::SetCaption(const std::string& text) {
  const QString title = q(text);
  if (form_.windowTitle() != title) form_.setWindowTitle(title);
  if (form_.program().applicationTitle() != title) form_.program().setApplicationTitle(title);
}

void PlayerPanel::SetStatusText(int panel, const std::string& text, bool pump) {
  WorkListView::of(form_).SetStatusText(panel, text, pump);
}

void PlayerPanel::ClearStatus() {
  WorkListView::of(form_).ClearStatus();
}

bool PlayerPanel::ConfigBool(const std::string& path, bool defaultValue) const {
  return form_.program().configBool(path, defaultValue);
}

bool PlayerPanel::ListBusy() const {
  return WorkListView::of(form_).busy();
}
