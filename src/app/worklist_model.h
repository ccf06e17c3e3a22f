#pragma once
// The rows of the work-list view: one row per work-list entry, in work-list order, each with
// the entry's number, a check box (the entry's mark) and the texts of its cells. The model
// only keeps what the view shows; the view code fills it from the work list. Made for
// 100 000 rows: flat storage, bulk appends, no per-row objects. A row's texts are kept as
// UTF-8 in one block of its own (each text after its length), so a row costs one small
// allocation instead of one per cell; the texts become QStrings only when the view asks.
#include <QAbstractItemModel>
#include <QColor>
#include <QString>
#include <QStringList>
#include <string>
#include <unordered_map>
#include <vector>

class WorkListModel : public QAbstractItemModel {
  Q_OBJECT
 public:
  struct Column {
    QString caption;
    int width = 100;  // pixels, a hint for the view's header
    Qt::Alignment alignment = Qt::AlignLeft;
    int type = 0;  // the column type of the configuration (source, destination, ...)
  };

  // One row as the view builds it from its entry.
  struct RowData {
    int entry = 0;
    bool checked = false;
    std::vector<QString> cells;  // one per column; missing ones are empty
  };

  explicit WorkListModel(QObject* parent = nullptr);

  // Columns. Changing them keeps the rows but drops their cell texts.
  void setColumns(const std::vector<Column>& columns);
  const std::vector<Column>& columns() const { return columns_; }
  void clearColumns() { setColumns({}); }

  // Whether the user may edit the first column in place (on by default).
  void setCaptionEditable(bool on) { captionEditable_ = on; }
  bool captionEditable() const { return captionEditable_; }

  // Check boxes shown (view mode 1) or not (mode 0).
  void setCheckable(bool on);
  bool checkable() const { return checkable_; }

  // Rows. appendRow returns the new row's index; cell texts start empty.
  int appendRow(int entryNumber);
  // Appends one row per entry number with a single insert notification.
  void appendRows(const std::vector<int>& entryNumbers);
  // Appends whole rows (entry, check box, texts) with a single insert notification.
  void appendRows(std::vector<RowData>&& rows);
  // Appends between beginBulkAppend and endBulkAppend reach the view as one reset at the
  // end instead of one insert each: a view lays out its whole list again on every insert,
  // and rows handed over in batches would cost that once per batch.
  void beginBulkAppend();
  void endBulkAppend();
  // Rewrites one row from its entry. The check box is set as the entry has it, so no
  // checkStateChanged is sent. With notify false the view learns nothing yet; a bulk
  // rewrite then ends with notifyRowsChanged over the rewritten rows.
  void setRow(int row, bool checked, std::vector<QString>&& cells, bool notify);
  void notifyRowsChanged(int firstRow, int lastRow);
  // Removes row `row`; false for a row that does not exist.
  bool removeRowAt(int row);
  // Removes rows first..last (inclusive) with one notification; false when the range is
  // empty or reaches past the rows.
  bool removeRowRange(int first, int last);
  // Removes many scattered rows in one pass (rows ascending, out-of-range ones ignored) and
  // announces it as one reset: removing half of 100 000 rows one by one would move the
  // rest of the list once per row.
  void removeRowsAscending(const std::vector<int>& rows);
  void clear();
  int rowCountTotal() const { return static_cast<int>(rows_.size()); }
  int entryNumber(int row) const;  // -1 for a row that does not exist

  // Cells: column 0 is the row's caption, the others its sub-texts.
  QString cellText(int row, int column) const;
  void setCellText(int row, int column, const QString& text);
  // All texts of one row at once (missing texts become empty, extra ones are dropped).
  void setRowTexts(int row, const QStringList& texts);

  // Check boxes. setChecked reports a change through checkStateChanged.
  bool isChecked(int row) const;
  void setChecked(int row, bool on);
  // Sets every row at once with one notification; checkStateChanged is not sent per row.
  void setAllChecked(bool on);
  // Sets the listed rows (any order; rows that do not exist are skipped) with one
  // notification over their span; checkStateChanged is not sent per row.
  void setCheckedRows(const std::vector<int>& rows, bool on);

  // Notes on the destination column (type 1) by entry number: the cell's tool tip and
  // colour say what a run would do with the entry. Replaced as a whole; empty: no notes.
  struct DestNote {
    QString toolTip;
    QColor colour;
  };
  void setDestNotes(std::unordered_map<int, DestNote> notes);

  // QAbstractItemModel
  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 signals:
  // A row's check box changed, by the user or by code.
  void checkStateChanged(int row, bool checked);
  // The user edited a row's caption in place.
  void captionEdited(int row, const QString& text);

 private:
  struct Row {
    std::string cells;  // packed texts, see packCells; empty: every cell empty
    int entry = 0;
    bool checked = false;
  };
  // The texts of a row as one block: for each cell its UTF-8 length (7 bits a byte, low
  // bits first, the high bit saying more follow) and its bytes. Cells past `columns` are
  // dropped; trailing empty cells are left out.
  static std::string packCells(const std::vector<QString>& cells, std::size_t columns);
  static QString unpackCell(const std::string& packed, int column);
  bool validRow(int row) const { return row >= 0 && row < static_cast<int>(rows_.size()); }

  std::vector<Column> columns_;
  std::vector<Row> rows_;
  bool checkable_ = true;
  bool captionEditable_ = true;
  bool bulk_ = false;
  std::unordered_map<int, DestNote> destNotes_;
};
