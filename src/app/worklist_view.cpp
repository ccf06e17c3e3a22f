#include "app/worklist_view.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTreeView>
#include <algorithm>

#include "app/nav_commands.h"
#include "app/qt_text.h"
#include "app/text_ids.h"
#include "app/worklist_model.h"
#include "lang/lang.h"
#include "lang/messages.h"

namespace {
// Column types that make a column; others in the configuration are skipped.
constexpr int kMinColumnType = -9;
constexpr int kMaxColumnType = 29;

Qt::Alignment columnAlignment(int type) {
  if (type == kColumnSize || type == kColumnLength) return Qt::AlignRight;
  return Qt::AlignLeft;
}

// Row intervals [first, last] of a selection, merged and ascending.
std::vector<std::pair<int, int>> selectedIntervals(const QItemSelection& selection) {
  std::vector<std::pair<int, int>> v;
  v.reserve(static_cast<std::size_t>(selection.size()));
  for (const QItemSelectionRange& r : selection)
    if (r.isValid() && !r.parent().isValid()) v.emplace_back(r.top(), r.bottom());
  std::sort(v.begin(), v.end());
  std::vector<std::pair<int, int>> merged;
  for (const auto& iv : v) {
    if (!merged.empty() && iv.first <= merged.back().second + 1)
      merged.back().second = std::max(merged.back().second, iv.second);
    else
      merged.push_back(iv);
  }
  return merged;
}

// The rows between intervals (ascending, merged) of rows 0 .. count-1.
std::vector<std::pair<int, int>> gapsBetween(const std::vector<std::pair<int, int>>& intervals,
                                             int count) {
  std::vector<std::pair<int, int>> gaps;
  gaps.reserve(intervals.size() + 1);
  int next = 0;
  for (const auto& iv : intervals) {
    if (iv.first > next) gaps.emplace_back(next, std::min(iv.first, count) - 1);
    next = std::max(next, iv.second + 1);
  }
  if (next < count) gaps.emplace_back(next, count - 1);
  return gaps;
}

// Consecutive rows of an ascending list as intervals.
std::vector<std::pair<int, int>> runsOf(const std::vector<int>& ascending) {
  std::vector<std::pair<int, int>> runs;
  for (int r : ascending) {
    if (!runs.empty() && runs.back().second + 1 == r)
      runs.back().second = r;
    else
      runs.emplace_back(r, r);
  }
  return runs;
}
}  // namespace

std::string ListCellText(int type, const std::string& origin, const std::string& dest,
                         const std::string& descr, std::int64_t size, std::int32_t length) {
  switch (type) {
    case kColumnSource:
      return origin;
    case kColumnDest:
      return dest;
    case kColumnDescr:
      return descr;
    case kColumnSize:
      return size < 0 ? std::string("N/A") : SizeToText(size);
    case kColumnLength:
      return length > 0 ? SecondsToText(length) : std::string();
    default:
      return std::string();
  }
}

WorkListView::WorkListView(Widgets widgets, Sources sources, QObject* parent)
    : QObject(parent), w_(widgets), src_(std::move(sources)) {
  adder_ = std::make_unique<TFileAdder>([this] { return workList(); }, this);

  connect(w_.model, &WorkListModel::checkStateChanged, this, &WorkListView::onCheckChanged);
  connect(w_.model, &WorkListModel::captionEdited, this, &WorkListView::onCaptionEdited);
  auto dirty = [this] { selectedDirty_ = true; };
  connect(w_.model, &QAbstractItemModel::rowsInserted, this, dirty);
  connect(w_.model, &QAbstractItemModel::rowsRemoved, this, dirty);
  connect(w_.model, &QAbstractItemModel::modelReset, this, dirty);
  if (w_.list) {
    connect(w_.list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &WorkListView::onSelectionChanged);
    w_.list->viewport()->installEventFilter(this);
    editTriggers_ = w_.list->editTriggers();
  }
}

WorkListView::~WorkListView() = default;

int WorkListView::configMode() const {
  return src_.mode ? src_.mode() : 1;
}

// ---- rows and columns --------------------------------------------------------------------

void WorkListView::ListReformat(int mode) {
  if (mode == -1) mode = configMode();
  if (mode != 0 && mode != 1) return;
  mode_ = mode;
  pending_.clear();
  w_.model->clear();
  w_.model->setCheckable(mode == 1);

  columnTypes_.clear();
  w_.model->clearColumns();
  const auto specs = src_.columns ? src_.columns() : std::nullopt;
  if (!specs) {
    BugFS("lvListReformat.NoColumnsData");
    return;
  }
  std::vector<WorkListModel::Column> columns;
  for (const ListColumnSpec& s : *specs) {
    if (s.type < kMinColumnType || s.type > kMaxColumnType) continue;
    columns.push_back(
        {q(LangString(kTextColumnCaptions + s.type)), s.width, columnAlignment(s.type), s.type});
    columnTypes_.push_back(s.type);
  }
  // The destination column is offered whatever the stored list holds: one stored there is
  // shown as stored; otherwise it is added at the end, hidden until a preview shows it.
  // (Stored widths go to the stored columns by position, so the end is the only place.)
  addedDestColumn_ = -1;
  if (std::find(columnTypes_.begin(), columnTypes_.end(), 1) == columnTypes_.end()) {
    addedDestColumn_ = static_cast<int>(columns.size());
    columns.push_back({q(LangString(201)), kAddedDestColumnWidth, columnAlignment(1), 1});
    columnTypes_.push_back(1);
  }
  w_.model->setColumns(columns);
  // Editing the first column in place changes the entry's description, so only a
  // description column may be edited: a source path typed over would not move the file.
  if (w_.list) {
    const bool descriptionFirst = !columnTypes_.empty() && columnTypes_.front() == kColumnDescr;
    w_.list->setEditTriggers(descriptionFirst ? editTriggers_ : QAbstractItemView::NoEditTriggers);
    for (std::size_t c = 0; c < columns.size(); ++c)
      w_.list->header()->resizeSection(static_cast<int>(c),
                                       std::max(columns[c].width, minimumWidth(columns[c].type)));
    if (addedDestColumn_ >= 0) w_.list->setColumnHidden(addedDestColumn_, !destColumnShown_);
  }
}

void WorkListView::ShowDestinationColumn() {
  destColumnShown_ = true;
  if (!w_.list) return;
  if (addedDestColumn_ >= 0) w_.list->setColumnHidden(addedDestColumn_, false);
  // Behind a wide source column it would stay out of sight: the list scrolls to it, once
  // the list has laid out the column it now shows (its scroll range grows only then).
  const auto it = std::find(columnTypes_.begin(), columnTypes_.end(), 1);
  if (it == columnTypes_.end()) return;
  const int column = static_cast<int>(it - columnTypes_.begin());
  QMetaObject::invokeMethod(
      this,
      [this, column] {
        if (!w_.list || column >= w_.list->header()->count()) return;
        // The list lays its columns out late; the scroll range must include the new one.
        w_.list->doItemsLayout();
        QHeaderView* header = w_.list->header();
        const int left = header->sectionPosition(column);
        const int right = left + header->sectionSize(column);
        QScrollBar* bar = w_.list->horizontalScrollBar();
        if (left < bar->value() || right > bar->value() + w_.list->viewport()->width())
          bar->setValue(left);
      },
      Qt::QueuedConnection);
}

int WorkListView::minimumWidth(int type) const {
  // The stored widths were chosen for a smaller system font than this desktop's; a size
  // or length column too narrow for its own figures would show nothing but "...".
  if (!w_.list || (type != kColumnSize && type != kColumnLength)) return 0;
  const QFontMetrics fm(w_.list->font());
  const std::string widest = type == kColumnSize ? SizeToText(888800000) : SecondsToText(35999);
  return fm.horizontalAdvance(q(widest)) + 2 * fm.averageCharWidth() + 4;
}

void WorkListView::rowFromCursor(bool& checked, std::vector<QString>& cells) {
  TkroPlayItem& item = *workList()->Cursor;
  checked = (item.GetFlags() & FLAG_MARKED) != 0;
  cells.assign(columnTypes_.size(), QString());
  // Each field is read once, and only when a column shows it.
  std::optional<std::string> origin, dest, descr;
  std::optional<std::int64_t> size;
  std::optional<std::int32_t> length;
  for (std::size_t c = 0; c < columnTypes_.size(); ++c) {
    switch (columnTypes_[c]) {
      case kColumnSource:
        if (!origin) origin = item.GetOrigin();
        cells[c] = q(*origin);
        break;
      case kColumnDest:
        if (!dest) dest = item.GetDest();
        cells[c] = q(*dest);
        break;
      case kColumnDescr:
        if (!descr) descr = item.GetDescr();
        cells[c] = q(*descr);
        break;
      case kColumnSize:
        if (!size) size = item.GetSize();
        cells[c] = q(ListCellText(kColumnSize, {}, {}, {}, *size, 0));
        break;
      case kColumnLength:
        if (!length) length = item.GetLength();
        cells[c] = q(ListCellText(kColumnLength, {}, {}, {}, 0, *length));
        break;
      default:
        break;
    }
  }
}

void WorkListView::ListAddItem(int entryNumber) {
  TkroPlayList* list = workList();
  PendingRow row{entryNumber, false, std::vector<QString>(columnTypes_.size())};
  if (list && entryNumber > 0 && list->SelectId(entryNumber)) rowFromCursor(row.checked, row.cells);
  pending_.push_back(std::move(row));
  // While a bracket is open nobody sees the list: rows are shown in one go at its end
  // instead of relaying the list once per added file.
  if (!busy_) flushPendingRows();
}

void WorkListView::flushPendingRows() {
  if (pending_.empty()) return;
  std::vector<WorkListModel::RowData> rows;
  rows.reserve(pending_.size());
  for (PendingRow& p : pending_) rows.push_back({p.entry, p.checked, std::move(p.cells)});
  pending_.clear();
  w_.model->appendRows(std::move(rows));
}

void WorkListView::ListUpdateItem(int row) {
  flushPendingRows();
  const int entry = w_.model->entryNumber(row);
  TkroPlayList* list = workList();
  if (entry <= 0 || !list) return;
  if (!list->SelectRow(*this, row)) return;
  bool checked = false;
  std::vector<QString> cells;
  rowFromCursor(checked, cells);
  // The row's check box stays as the user left it: marks set in bulk (the mark commands,
  // the middle button) reach the entry only at the next mark save, so the entry's flag may
  // still be the old one here, and taking it would silently drop the user's mark.
  checked = w_.model->isChecked(row);
  w_.model->setRow(row, checked, std::move(cells), true);
}

void WorkListView::ListFullUpdate() {
  flushPendingRows();
  ListSaveMarks();
  ListClear();
  BeginListWork(LangString(kTextRefreshingList) + " ...", w_.mainWindow);
  if (TkroPlayList* list = workList()) {
    // Handed over in batches: the model keeps the texts far more compactly than the
    // QStrings they come in, and the QStrings of every row at once would be the largest
    // block of memory the program ever holds.
    constexpr std::size_t kBatch = 4096;
    const std::int32_t count = list->EntryCount();
    std::vector<WorkListModel::RowData> rows;
    rows.reserve(kBatch);
    w_.model->beginBulkAppend();
    for (std::int32_t p = 0; p < count; ++p) {
      if (!list->SelectIndex(p)) continue;
      WorkListModel::RowData r;
      r.entry = list->Cursor->Id;
      rowFromCursor(r.checked, r.cells);
      rows.push_back(std::move(r));
      if (rows.size() == kBatch) {
        w_.model->appendRows(std::move(rows));
        rows.clear();
      }
    }
    w_.model->appendRows(std::move(rows));
    w_.model->endBulkAppend();
  }
  EndListWork(std::string());
}

void WorkListView::ListRefresh() {
  BeginListWork(LangString(kTextRefreshingList) + "...", w_.mainWindow);
  flushPendingRows();
  ListSaveMarks();
  if (TkroPlayList* list = workList()) {
    const int count = std::min<int>(list->EntryCount(), w_.model->rowCountTotal());
    for (int i = 0; i < count; ++i) {
      const int entry = w_.model->entryNumber(i);
      if (entry <= 0 || !list->SelectId(entry)) continue;
      bool checked = false;
      std::vector<QString> cells;
      rowFromCursor(checked, cells);
      w_.model->setRow(i, checked, std::move(cells), false);
    }
    if (count > 0) w_.model->notifyRowsChanged(0, count - 1);
  }
  EndListWork(std::string());
}

void WorkListView::ListClear() {
  freeze(w_.mainWindow);
  const int m = configMode();
  if (m == 0 || m == 1) {
    pending_.clear();
    w_.model->clear();
  }
  unfreeze(w_.mainWindow);
}

void WorkListView::ListSaveMarks() {
  flushPendingRows();
  if (TkroPlayList* list = workList()) list->ListSaveMarks(*this);
}

// ---- bracket and status bar ----------------------------------------------------------------

void WorkListView::BeginListWork(const std::string& text) {
  BeginListWork(text, w_.mainWindow);
}

void WorkListView::BeginListWork(const std::string& text, QWidget* windowToFreeze) {
  ClearStatus();
  SetStatusText(0, text, true);
  QWidget* w = windowToFreeze ? windowToFreeze : w_.mainWindow;
  freeze(w);
  frozenByBracket_.push_back(w);
  const bool was = busy_;
  busy_ = true;
  if (!was) emit busyChanged(true);
}

void WorkListView::EndListWorkKeepStatus() {
  flushPendingRows();
  const bool was = busy_;
  busy_ = false;
  for (QWidget* w : frozenByBracket_) unfreeze(w);
  frozenByBracket_.clear();
  if (was) emit busyChanged(false);
  emit limitBarUpdateRequested(true);
}

void WorkListView::EndListWork(const std::string& text) {
  EndListWorkKeepStatus();
  ClearStatus();
  SetStatusText(0, text, true);
}

void WorkListView::ClearStatus() {
  for (QLabel* p : w_.panels)
    if (p) p->clear();
  pump();
}

void WorkListView::SetStatusText(int panel, const std::string& text, bool doPump) {
  if (panel >= 0 && panel < 3 && w_.panels[static_cast<std::size_t>(panel)])
    w_.panels[static_cast<std::size_t>(panel)]->setText(q(text));
  if (doPump) pump();
}

void WorkListView::ShowCount(int count, bool doPump) {
  SetStatusText(1, count == 0 ? std::string() : std::to_string(count), doPump);
}

void WorkListView::pump() {
  QCoreApplication::processEvents();
}

void WorkListView::freeze(QWidget* w) {
  if (!w) return;
  if (freezeCount_[w]++ == 0) w->setUpdatesEnabled(false);
}

void WorkListView::unfreeze(QWidget* w) {
  if (!w) return;
  auto it = freezeCount_.find(w);
  if (it == freezeCount_.end() || it->second <= 0) return;
  if (--it->second == 0) {
    freezeCount_.erase(it);
    w->setUpdatesEnabled(true);
  }
}

// ---- notifications -------------------------------------------------------------------------

void WorkListView::onSelectionChanged(const QItemSelection& selected, const QItemSelection&) {
  selectedDirty_ = true;
  if (busy_ || !w_.list) return;
  const auto intervals = selectedIntervals(w_.list->selectionModel()->selection());
  int count = 0;
  for (const auto& iv : intervals) count += iv.second - iv.first + 1;
  if (count == 1) {
    const int row = intervals.front().first;
    bool isTheNewOne = false;
    for (const QItemSelectionRange& r : selected)
      if (r.top() <= row && row <= r.bottom()) isTheNewOne = true;
    if (isTheNewOne) {
      TkroPlayList* list = workList();
      const int entry = w_.model->entryNumber(row);
      std::string origin;
      if (list && entry > 0 && list->SelectId(entry)) origin = list->Cursor->GetOrigin();
      SetStatusText(1, std::to_string(row + 1) + "/" + std::to_string(RowCount()), false);
      SetStatusText(0, origin, false);
      return;
    }
  }
  SetStatusText(0, std::string(), false);
  SetStatusText(1, count > 0 ? std::to_string(count) : std::string(), false);
}

void WorkListView::onCheckChanged(int row, bool checked) {
  if (busy_) return;
  TkroPlayList* list = workList();
  if (!list || !list->SelectRow(*this, row)) return;
  const std::int32_t flags = list->Cursor->GetFlags();
  if (((flags & FLAG_MARKED) != 0) == checked) return;
  list->Cursor->SetFlags(checked ? (flags | FLAG_MARKED) : (flags & ~FLAG_MARKED));
  emit limitBarUpdateRequested(false);
}

void WorkListView::onCaptionEdited(int row, const QString& text) {
  if (busy_) return;
  TkroPlayList* list = workList();
  if (!list || !list->SelectRow(*this, row)) return;
  list->Cursor->SetDescr(text.toStdString());
}

bool WorkListView::eventFilter(QObject* watched, QEvent* event) {
  if (w_.list && watched == w_.list->viewport()) {
    const QEvent::Type t = event->type();
    if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick ||
        t == QEvent::MouseButtonRelease) {
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() == Qt::MiddleButton) {
        // The middle button marks; it must not also move the selection it works on.
        if (t == QEvent::MouseButtonPress) MiddleButtonPressed(me->position().toPoint());
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

void WorkListView::MiddleButtonPressed(const QPoint& pos) {
  flushPendingRows();
  const std::vector<int> rows = selectedRowsDescending();
  if (rows.size() > 1) {
    int marked = 0;
    for (int r : rows)
      if (w_.model->isChecked(r)) ++marked;
    const int unmarked = static_cast<int>(rows.size()) - marked;
    const bool newState = marked < unmarked;
    if (marked + unmarked > 10) {
      // Many rows: their marks reach the entries at the next mark save, and the limit bar
      // is computed once at the end.
      BeginListWork(LangString(kTextWorkingOnList), w_.dummyLock);
      w_.model->setCheckedRows(rows, newState);
      EndListWork(std::string());
    } else {
      for (int r : rows) w_.model->setChecked(r, newState);
    }
    return;
  }
  if (!w_.list) return;
  const QModelIndex index = w_.list->indexAt(pos);
  if (index.isValid()) w_.model->setChecked(index.row(), !w_.model->isChecked(index.row()));
}

// ---- selection helpers ---------------------------------------------------------------------

const std::vector<char>& WorkListView::selectedBitmap() const {
  if (selectedDirty_) {
    selected_.assign(static_cast<std::size_t>(w_.model->rowCountTotal()), 0);
    if (w_.list) {
      for (const auto& iv : selectedIntervals(w_.list->selectionModel()->selection()))
        for (int r = iv.first; r <= iv.second && r < static_cast<int>(selected_.size()); ++r)
          selected_[static_cast<std::size_t>(r)] = 1;
    }
    selectedDirty_ = false;
  }
  return selected_;
}

std::vector<int> WorkListView::selectedRowsDescending() const {
  std::vector<int> rows;
  if (!w_.list) return rows;
  const auto intervals = selectedIntervals(w_.list->selectionModel()->selection());
  for (auto it = intervals.rbegin(); it != intervals.rend(); ++it)
    for (int r = it->second; r >= it->first; --r) rows.push_back(r);
  return rows;
}

int WorkListView::selectedRowCount() const {
  int n = 0;
  if (!w_.list) return n;
  for (const auto& iv : selectedIntervals(w_.list->selectionModel()->selection()))
    n += iv.second - iv.first + 1;
  return n;
}

// ---- IListRows -----------------------------------------------------------------------------

int WorkListView::RowCount() const {
  return w_.model->rowCountTotal() + static_cast<int>(pending_.size());
}

int WorkListView::RowEntryId(int row) const {
  const int shown = w_.model->rowCountTotal();
  if (row < shown) return w_.model->entryNumber(row);
  const std::size_t p = static_cast<std::size_t>(row - shown);
  return p < pending_.size() ? pending_[p].entry : -1;
}

bool WorkListView::RowChecked(int row) const {
  const int shown = w_.model->rowCountTotal();
  if (row < shown) return w_.model->isChecked(row);
  const std::size_t p = static_cast<std::size_t>(row - shown);
  return p < pending_.size() && pending_[p].checked;
}

bool WorkListView::RowSelected(int row) const {
  const auto& bits = selectedBitmap();
  return row >= 0 && row < static_cast<int>(bits.size()) && bits[static_cast<std::size_t>(row)];
}

// ---- commands ------------------------------------------------------------------------------

void WorkListView::DeleteSelected() {
  if (busy_) return;
  BeginListWork(LangString(kTextRefreshingList) + "...", w_.mainWindow);
  flushPendingRows();
  const std::vector<int> rows = selectedRowsDescending();
  std::vector<int> ascending(rows.rbegin(), rows.rend());
  if (TkroPlayList* list = workList()) {
    // Row i shows entry i, so the entries go by their positions, all in one pass; should a
    // row and its entry ever disagree, that entry is looked up by its number.
    std::vector<std::int32_t> positions;
    std::vector<int> strays;
    positions.reserve(ascending.size());
    for (int row : ascending) {
      const int entry = w_.model->entryNumber(row);
      if (list->EntryAt(row) == entry)
        positions.push_back(row);
      else
        strays.push_back(entry);
    }
    list->RemoveEntriesAt(positions);
    for (int entry : strays) list->RemoveEntry(entry);
  }
  const auto runs = runsOf(ascending);
  // A few blocks go one by one, which keeps the list's scroll position; many scattered
  // rows go in one pass.
  if (runs.size() <= 16) {
    for (auto it = runs.rbegin(); it != runs.rend(); ++it)
      w_.model->removeRowRange(it->first, it->second);
  } else {
    w_.model->removeRowsAscending(ascending);
  }
  EndListWork(std::string());
}

void WorkListView::ClearList() {
  if (busy_) return;
  BeginListWork(LangString(kTextClearingList) + " ...", w_.mainWindow);
  if (TkroPlayList* list = workList()) list->ClearEntries();
  ListClear();
  EndListWork(std::string());
}

void WorkListView::RefreshList() {
  if (busy_) return;
  ListFullUpdate();
  EndListWork(std::string());
}

void WorkListView::replaceSelection(const std::vector<std::pair<int, int>>& rowIntervals) {
  if (!w_.list) return;
  const QAbstractItemView::SelectionMode mode = w_.list->selectionMode();
  if (mode == QAbstractItemView::NoSelection || mode == QAbstractItemView::SingleSelection) return;
  const int lastColumn = w_.model->columnCount() - 1;
  QItemSelection selection;
  selection.reserve(static_cast<qsizetype>(rowIntervals.size()));
  if (lastColumn >= 0)
    for (const auto& iv : rowIntervals)
      selection.select(w_.model->index(iv.first, 0), w_.model->index(iv.second, lastColumn));
  // The selection model compares the old selection with the new one range by range, which
  // grows with the product of the two; emptying it first keeps both steps linear.
  QItemSelectionModel* model = w_.list->selectionModel();
  model->clearSelection();
  if (!selection.isEmpty()) model->select(selection, QItemSelectionModel::Select);
}

void WorkListView::SelectAll() {
  if (busy_) return;
  BeginListWork(LangString(kTextWorkingOnList) + " ...", w_.mainWindow);
  flushPendingRows();
  const int n = w_.model->rowCountTotal();
  if (n > 0) replaceSelection({{0, n - 1}});
  EndListWork(std::string());
}

void WorkListView::ClearSelection() {
  if (busy_) return;
  BeginListWork(LangString(kTextWorkingOnList) + " ...", w_.mainWindow);
  if (w_.list) w_.list->selectionModel()->clearSelection();
  EndListWork(std::string());
}

void WorkListView::InvertSelection() {
  if (busy_) return;
  BeginListWork(LangString(kTextWorkingOnList) + " ...", w_.mainWindow);
  ClearStatus();
  flushPendingRows();
  if (w_.list)
    replaceSelection(gapsBetween(selectedIntervals(w_.list->selectionModel()->selection()),
                                 w_.model->rowCountTotal()));
  EndListWork(std::string());
}

void WorkListView::SelectMarked() {
  if (busy_) return;
  BeginListWork(LangString(kTextWorkingOnList) + " ...", w_.mainWindow);
  ClearStatus();
  flushPendingRows();
  const int n = w_.model->rowCountTotal();
  std::vector<int> checked;
  for (int r = 0; r < n; ++r)
    if (w_.model->isChecked(r)) checked.push_back(r);
  replaceSelection(runsOf(checked));
  EndListWork(std::string());
}

void WorkListView::MarkSelected() {
  if (busy_) return;
  BeginListWork(LangString(kTextWorkingOnList) + " ...", w_.mainWindow);
  flushPendingRows();
  w_.model->setCheckedRows(selectedRowsDescending(), true);
  EndListWork(std::string());
}

void WorkListView::UnmarkSelected() {
  if (busy_) return;
  BeginListWork(LangString(kTextWorkingOnList) + " ...", w_.mainWindow);
  flushPendingRows();
  w_.model->setCheckedRows(selectedRowsDescending(), false);
  EndListWork(std::string());
}

void WorkListView::UnmarkAll() {
  if (busy_) return;
  BeginListWork(LangString(kTextWorkingOnList) + " ...", w_.mainWindow);
  flushPendingRows();
  w_.model->setAllChecked(false);
  EndListWork(std::string());
}

bool WorkListView::RunListCommand(int command) {
  switch (command) {
    case kCmdDeleteSelected:
      DeleteSelected();
      return true;
    case kCmdClearList:
    case kCmdNewList:
      ClearList();
      return true;
    case kCmdRefreshList:
      RefreshList();
      return true;
    case kCmdSelectAll:
      SelectAll();
      return true;
    case kCmdClearSelection:
      ClearSelection();
      return true;
    case kCmdInvertSelection:
      InvertSelection();
      return true;
    case kCmdSelectMarked:
      SelectMarked();
      return true;
    case kCmdMarkSelected:
      MarkSelected();
      return true;
    case kCmdUnmarkSelected:
      UnmarkSelected();
      return true;
    case kCmdUnmarkAll:
      UnmarkAll();
      return true;
    default:
      return false;
  }
}

std::int64_t WorkListView::MarkedTotalBytes() {
  flushPendingRows();
  TkroPlayList* list = workList();
  if (!list) return 0;
  std::int64_t total = 0;
  const int n = std::min<int>(w_.model->rowCountTotal(), list->EntryCount());
  for (int r = 0; r < n; ++r) {
    if (!w_.model->isChecked(r) || !list->SelectIndex(r)) continue;
    const std::int64_t size = list->Cursor->GetSize();
    if (size > 0) total += size;
  }
  return total;
}
