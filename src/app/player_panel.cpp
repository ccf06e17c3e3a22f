#include "app/player_panel.h"

#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <map>

#include "app/program.h"
#include "app/qt_text.h"
#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "player/mpv_device.h"

namespace {

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

PlayerPanel::PlayerPanel(Widgets widgets, WorkListView& view, TavelProgram& program,
                         QObject* parent)
    : QObject(parent), w_(widgets), view_(view), program_(program) {
  // After the shutdown stages the work list is gone (null); the timers may still tick until
  // the window is destroyed.
  TavelProgram* prog = &program;
  auto workList = [prog]() -> TkroPlayList* { return prog->workList(); };
  player_ =
      std::make_unique<TPlayer>(*this, std::make_unique<MpvDevice>(mpvOptionsFromEnvironment()),
                                *w_.ipTimer1, *w_.ipTimer2, workList);
  TPlayer* p = player_.get();
  connect(w_.bipPlay, &QToolButton::clicked, this,
          [p] { p->bipPlayClick(PlaySource::PlayButton); });
  connect(w_.bipPause, &QToolButton::clicked, this, [p] { p->bipPauseClick(); });
  connect(w_.bipStop, &QToolButton::clicked, this, [p] { p->bipStopClick(); });
  connect(w_.bipPrev, &QToolButton::clicked, this,
          [p] { p->bipPrevClick(PlaySource::PrevButton); });
  connect(w_.bipNext, &QToolButton::clicked, this,
          [p] { p->bipPrevClick(PlaySource::NextButton); });
  connect(w_.ipPos, &QSlider::valueChanged, this, [p](int) { p->ipPosChange(); });
  connect(view_.list(), &QAbstractItemView::doubleClicked, this, [p](const QModelIndex& index) {
    if (index.isValid()) p->bipPlayClick(PlaySource::List);
  });
}

PlayerPanel::~PlayerPanel() = default;

// ---- rows ------------------------------------------------------------------------------

int PlayerPanel::RowCount() const {
  return view_.RowCount();
}
int PlayerPanel::RowEntryId(int row) const {
  return view_.RowEntryId(row);
}
bool PlayerPanel::RowChecked(int row) const {
  return view_.RowChecked(row);
}
bool PlayerPanel::RowSelected(int row) const {
  return view_.RowSelected(row);
}

int PlayerPanel::FocusedRow() const {
  const QModelIndex current = view_.list()->currentIndex();
  return current.isValid() ? current.row() : -1;
}

int PlayerPanel::SelectedRow() const {
  QItemSelectionModel* sel = view_.list()->selectionModel();
  if (!sel) return -1;
  int first = -1;
  for (const QModelIndex& i : sel->selectedRows())
    if (first < 0 || i.row() < first) first = i.row();
  return first;
}

void PlayerPanel::SelectOnly(int row) {
  QItemSelectionModel* sel = view_.list()->selectionModel();
  if (!sel || !view_.model()) return;
  sel->select(view_.model()->index(row, 0),
              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void PlayerPanel::SelectAlso(int row) {
  QItemSelectionModel* sel = view_.list()->selectionModel();
  if (!sel || !view_.model()) return;
  sel->select(view_.model()->index(row, 0),
              QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void PlayerPanel::SetFocusedRow(int row) {
  QItemSelectionModel* sel = view_.list()->selectionModel();
  if (!sel || !view_.model()) return;
  const QModelIndex index = view_.model()->index(row, 0);
  sel->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  // The list follows the player when it moves on by itself.
  view_.list()->scrollTo(index);
}

void PlayerPanel::UpdateRow(int row) {
  view_.ListUpdateItem(row);
}

// ---- displays --------------------------------------------------------------------------

void PlayerPanel::SetTimeText(const std::string& text) {
  w_.ipTime->setText(q(text));
}
std::string PlayerPanel::TimeText() const {
  return w_.ipTime->text().toStdString();
}
void PlayerPanel::SetTitleText(const std::string& text) {
  w_.ipTitle->setText(q(text));
}
std::string PlayerPanel::TitleText() const {
  return w_.ipTitle->text().toStdString();
}
int PlayerPanel::SliderValue() const {
  return w_.ipPos->value();
}
void PlayerPanel::SetSliderValue(int ms) {
  w_.ipPos->setValue(ms);
}
int PlayerPanel::SliderMax() const {
  return w_.ipPos->maximum();
}
void PlayerPanel::SetSliderMax(int ms) {
  w_.ipPos->setMaximum(ms);
}
bool PlayerPanel::SliderEnabled() const {
  return w_.ipPos->isEnabled();
}
void PlayerPanel::SetSliderEnabled(bool enabled) {
  w_.ipPos->setEnabled(enabled);
}

void PlayerPanel::SetCaption(const std::string& text) {
  const QString title = q(text);
  if (w_.window && w_.window->windowTitle() != title) w_.window->setWindowTitle(title);
  if (program_.applicationTitle() != title) program_.setApplicationTitle(title);
}

void PlayerPanel::SetStatusText(int panel, const std::string& text, bool pump) {
  view_.SetStatusText(panel, text, pump);
}

void PlayerPanel::ClearStatus() {
  view_.ClearStatus();
}

bool PlayerPanel::ConfigBool(const std::string& path, bool defaultValue) const {
  return program_.configBool(path, defaultValue);
}

bool PlayerPanel::ListBusy() const {
  return view_.busy();
}
