#include "app/worklist_model.h"

#include <QStringEncoder>
#include <algorithm>

WorkListModel::WorkListModel(QObject* parent) : QAbstractItemModel(parent) {}

std::string WorkListModel::packCells(const std::vector<QString>& cells, std::size_t columns) {
  const std::size_t n = std::min(cells.size(), columns);
  std::size_t used = 0, room = 0;
  for (std::size_t c = 0; c < n; ++c) {
    if (!cells[c].isEmpty()) used = c + 1;
    room += 3 * static_cast<std::size_t>(cells[c].size());  // UTF-8 of one UTF-16 unit
  }
  if (used == 0) return std::string();
  // The texts are converted into one scratch buffer kept between calls, so that a row
  // costs one allocation: its packed block.
  thread_local std::string scratch;
  thread_local std::vector<std::size_t> lengths;
  if (scratch.size() < room) scratch.resize(room);
  lengths.clear();
  QStringEncoder utf8(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
  char* out = scratch.data();
  std::size_t size = 0;
  for (std::size_t c = 0; c < used; ++c) {
    char* end = utf8.appendToBuffer(out, cells[c]);
    const auto length = static_cast<std::size_t>(end - out);
    lengths.push_back(length);
    for (std::size_t l = length; l >= 0x80; l >>= 7) ++size;
    size += 1 + length;
    out = end;
  }
  std::string packed;
  packed.reserve(size);
  const char* text = scratch.data();
  for (std::size_t length : lengths) {
    const std::size_t bytes = length;
    for (; length >= 0x80; length >>= 7)
      packed.push_back(static_cast<char>(0x80 | (length & 0x7F)));
    packed.push_back(static_cast<char>(length));
    packed.append(text, bytes);
    text += bytes;
  }
  return packed;
}

QString WorkListModel::unpackCell(const std::string& packed, int column) {
  std::size_t at = 0;
  for (int c = 0; at < packed.size(); ++c) {
    std::size_t length = 0;
    for (int shift = 0; at < packed.size(); shift += 7) {
      const auto byte = static_cast<unsigned char>(packed[at++]);
      length |= static_cast<std::size_t>(byte & 0x7F) << shift;
      if (!(byte & 0x80)) break;
    }
    length = std::min(length, packed.size() - at);
    if (c == column) return QString::fromUtf8(packed.data() + at, static_cast<qsizetype>(length));
    at += length;
  }
  return QString();
}

void WorkListModel::setColumns(const std::vector<Column>& columns) {
  beginResetModel();
  columns_ = columns;
  for (Row& r : rows_) std::string().swap(r.cells);
  endResetModel();
}

void WorkListModel::setCheckable(bool on) {
  if (on == checkable_) return;
  checkable_ = on;
  if (!rows_.empty() && !columns_.empty())
    emit dataChanged(index(0, 0), index(rowCountTotal() - 1, 0), {Qt::CheckStateRole});
}

int WorkListModel::appendRow(int entryNumber) {
  const int row = rowCountTotal();
  beginInsertRows({}, row, row);
  rows_.push_back(Row{std::string(), entryNumber, false});
  endInsertRows();
  return row;
}

void WorkListModel::appendRows(const std::vector<int>& entryNumbers) {
  if (entryNumbers.empty()) return;
  const int first = rowCountTotal();
  beginInsertRows({}, first, first + static_cast<int>(entryNumbers.size()) - 1);
  rows_.reserve(rows_.size() + entryNumbers.size());
  for (int e : entryNumbers) rows_.push_back(Row{std::string(), e, false});
  endInsertRows();
}

void WorkListModel::beginBulkAppend() {
  if (bulk_) return;
  bulk_ = true;
  beginResetModel();
}

void WorkListModel::endBulkAppend() {
  if (!bulk_) return;
  bulk_ = false;
  endResetModel();
}

void WorkListModel::appendRows(std::vector<RowData>&& rows) {
  if (rows.empty()) return;
  const int first = rowCountTotal();
  if (!bulk_) beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
  rows_.reserve(rows_.size() + rows.size());
  for (RowData& r : rows) {
    rows_.push_back(Row{packCells(r.cells, columns_.size()), r.entry, r.checked});
    std::vector<QString>().swap(r.cells);  // the texts are packed; their memory goes now
  }
  if (!bulk_) endInsertRows();
}

void WorkListModel::setRow(int row, bool checked, std::vector<QString>&& cells, bool notify) {
  if (!validRow(row)) return;
  Row& r = rows_[row];
  r.checked = checked;
  r.cells = packCells(cells, columns_.size());
  cells.clear();
  if (notify) notifyRowsChanged(row, row);
}

void WorkListModel::notifyRowsChanged(int firstRow, int lastRow) {
  firstRow = std::max(firstRow, 0);
  lastRow = std::min(lastRow, rowCountTotal() - 1);
  if (firstRow > lastRow || columns_.empty()) return;
  emit dataChanged(index(firstRow, 0), index(lastRow, columnCount() - 1),
                   {Qt::DisplayRole, Qt::EditRole, Qt::CheckStateRole});
}

bool WorkListModel::removeRowAt(int row) {
  if (!validRow(row)) return false;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
  return true;
}

bool WorkListModel::removeRowRange(int first, int last) {
  if (first > last || !validRow(first) || !validRow(last)) return false;
  beginRemoveRows({}, first, last);
  rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
  endRemoveRows();
  return true;
}

void WorkListModel::removeRowsAscending(const std::vector<int>& rows) {
  if (rows.empty()) return;
  beginResetModel();
  std::size_t next = 0, kept = 0;
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    while (next < rows.size() && rows[next] < static_cast<int>(i)) ++next;
    if (next < rows.size() && rows[next] == static_cast<int>(i)) continue;
    if (kept != i) rows_[kept] = std::move(rows_[i]);
    ++kept;
  }
  rows_.resize(kept);
  endResetModel();
}

void WorkListModel::clear() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  endResetModel();
}

int WorkListModel::entryNumber(int row) const {
  return validRow(row) ? rows_[row].entry : -1;
}

QString WorkListModel::cellText(int row, int column) const {
  if (!validRow(row) || column < 0 || column >= columnCount()) return QString();
  return unpackCell(rows_[row].cells, column);
}

void WorkListModel::setCellText(int row, int column, const QString& text) {
  if (!validRow(row) || column < 0 || column >= static_cast<int>(columns_.size())) return;
  std::string& packed = rows_[row].cells;
  if (unpackCell(packed, column) == text) return;
  std::vector<QString> cells(columns_.size());
  for (int c = 0; c < columnCount(); ++c) cells[c] = c == column ? text : unpackCell(packed, c);
  packed = packCells(cells, columns_.size());
  const QModelIndex i = index(row, column);
  emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
}

void WorkListModel::setRowTexts(int row, const QStringList& texts) {
  if (!validRow(row) || columns_.empty()) return;
  rows_[row].cells = packCells(std::vector<QString>(texts.begin(), texts.end()), columns_.size());
  emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
}

bool WorkListModel::isChecked(int row) const {
  return validRow(row) && rows_[row].checked;
}

void WorkListModel::setChecked(int row, bool on) {
  if (!validRow(row) || rows_[row].checked == on) return;
  rows_[row].checked = on;
  if (!columns_.empty()) {
    const QModelIndex i = index(row, 0);
    emit dataChanged(i, i, {Qt::CheckStateRole});
  }
  emit checkStateChanged(row, on);
}

void WorkListModel::setAllChecked(bool on) {
  for (Row& r : rows_) r.checked = on;
  if (!rows_.empty() && !columns_.empty())
    emit dataChanged(index(0, 0), index(rowCountTotal() - 1, 0), {Qt::CheckStateRole});
}

void WorkListModel::setCheckedRows(const std::vector<int>& rows, bool on) {
  int low = rowCountTotal(), high = -1;
  for (int r : rows) {
    if (!validRow(r)) continue;
    rows_[r].checked = on;
    low = std::min(low, r);
    high = std::max(high, r);
  }
  if (high >= 0 && !columns_.empty())
    emit dataChanged(index(low, 0), index(high, 0), {Qt::CheckStateRole});
}

QModelIndex WorkListModel::index(int row, int column, const QModelIndex& parent) const {
  if (parent.isValid() || !validRow(row) || column < 0 || column >= columnCount()) return {};
  return createIndex(row, column);
}

QModelIndex WorkListModel::parent(const QModelIndex&) const {
  return {};
}

int WorkListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rowCountTotal();
}

int WorkListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant WorkListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !validRow(index.row())) return {};
  const Row& r = rows_[index.row()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return unpackCell(r.cells, index.column());
    case Qt::CheckStateRole:
      if (index.column() == 0 && checkable_) return r.checked ? Qt::Checked : Qt::Unchecked;
      return {};
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(columns_[index.column()].alignment | Qt::AlignVCenter);
    case Qt::ToolTipRole:
    case Qt::ForegroundRole: {
      if (destNotes_.empty() || columns_[index.column()].type != 1) return {};
      const auto it = destNotes_.find(r.entry);
      if (it == destNotes_.end()) return {};
      if (role == Qt::ToolTipRole) return it->second.toolTip;
      return it->second.colour;
    }
    default:
      return {};
  }
}

void WorkListModel::setDestNotes(std::unordered_map<int, DestNote> notes) {
  destNotes_ = std::move(notes);
  if (!rows_.empty() && !columns_.empty())
    emit dataChanged(index(0, 0), index(rowCountTotal() - 1, columnCount() - 1),
                     {Qt::ToolTipRole, Qt::ForegroundRole});
}

bool WorkListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || !validRow(index.row())) return false;
  if (role == Qt::CheckStateRole && index.column() == 0 && checkable_) {
    const auto state = static_cast<Qt::CheckState>(value.toInt());
    setChecked(index.row(), state == Qt::Checked);
    return true;
  }
  if (role == Qt::EditRole && index.column() == 0 && captionEditable_) {
    const QString text = value.toString();
    if (text == cellText(index.row(), 0)) return true;
    setCellText(index.row(), 0, text);
    emit captionEdited(index.row(), text);
    return true;
  }
  return false;
}

Qt::ItemFlags WorkListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == 0) {
    if (captionEditable_) f |= Qt::ItemIsEditable;
    if (checkable_) f |= Qt::ItemIsUserCheckable;
  }
  return f;
}

QVariant WorkListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const Column& c = columns_[section];
  switch (role) {
    case Qt::DisplayRole:
      return c.caption;
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(c.alignment | Qt::AlignVCenter);
    default:
      return {};
  }
}
