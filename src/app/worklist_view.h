#pragma once
// The work list on screen (List0): its columns and check-box mode, one row per entry in
// list order (row i shows entry i), the check boxes as the entries' marks, the status bar,
// the list-work bracket that long list changes run in, the middle-button marking and the
// list commands. Everything runs on the user-interface thread.
//
// Long changes open the bracket: it freezes drawing and sets the busy flag, and while the
// flag is set the list's selection and change notifications are ignored, so work that
// pumps window messages is never re-entered half-way. Rows added while busy are collected
// and shown in one go when the bracket closes.
#include <QAbstractItemView>
#include <QObject>
#include <QPoint>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/configuration.h"
#include "worklist/add_files.h"
#include "worklist/playlist.h"

class QItemSelection;
class QLabel;
class QTreeView;
class WorkListModel;

// The text a cell of column type `type` shows for an entry: "N/A" for a negative size,
// the length only when above 0, nothing for flags and unknown types.
std::string ListCellText(int type, const std::string& origin, const std::string& dest,
                         const std::string& descr, std::int64_t size, std::int32_t length);

class WorkListView : public QObject, public IWorkListView, public IListRows {
  Q_OBJECT
 public:
  // Where the view reads the program-wide state; each is asked anew when needed.
  struct Sources {
    std::function<TkroPlayList*()> workList;
    // The configuration's column list; no value when the configuration has none.
    std::function<std::optional<std::vector<ListColumnSpec>>()> columns;
    // "Playlist/mode" (1 when missing).
    std::function<int()> mode;
  };
  struct Widgets {
    QTreeView* list = nullptr;
    WorkListModel* model = nullptr;
    std::array<QLabel*, 3> panels{};
    QWidget* mainWindow = nullptr;  // what a bracket freezes unless told otherwise
    QWidget* dummyLock = nullptr;   // frozen instead by the middle-button marking
  };

  WorkListView(Widgets widgets, Sources sources, QObject* parent = nullptr);
  ~WorkListView() override;

  // ---- rows and columns ----------------------------------------------------------------
  // Sets the mode (-1: from the configuration) and rebuilds the columns; modes other than
  // 0 and 1 leave rows and columns as they are.
  void ListReformat(int mode);
  // Shows the destination column, which is hidden until asked for unless the stored
  // column list holds one.
  void ShowDestinationColumn();
  // Saves the marks, then rebuilds every row from the work list.
  void ListFullUpdate();
  // Saves the marks, then rewrites the texts and check boxes of the existing rows.
  void ListRefresh();
  // Removes all rows (modes 0 and 1 only).
  void ListClear() override;
  void ListAddItem(int entryNumber) override;
  // Rewrites one row from its entry; nothing for a missing row.
  void ListUpdateItem(int row);
  // Copies every row's check box and selection into its entry's flags.
  void ListSaveMarks();

  // ---- bracket and status bar ------------------------------------------------------------
  void BeginListWork(const std::string& text) override;
  void BeginListWork(const std::string& text, QWidget* windowToFreeze);
  void EndListWork(const std::string& text) override;
  void EndListWorkKeepStatus() override;
  void ClearStatus() override;
  void SetStatusText(int panel, const std::string& text, bool pump) override;
  void ShowCount(int count, bool pump) override;
  bool busy() const { return busy_; }
  int mode() const { return mode_; }

  // ---- commands (each returns at once while a bracket is open) -----------------------------
  void DeleteSelected();   // 1210
  void ClearList();        // 1400, 1810
  void RefreshList();      // 1500
  void SelectAll();        // 1610
  void ClearSelection();   // 1620
  void InvertSelection();  // 1630
  void SelectMarked();     // 1640
  void MarkSelected();     // 1710
  void UnmarkSelected();   // 1720
  void UnmarkAll();        // 1730
  // Runs one of the commands above by its number; false for any other number.
  bool RunListCommand(int command);

  // The middle mouse button was pressed at `pos` (viewport coordinates).
  void MiddleButtonPressed(const QPoint& pos);

  // The total size of the entries whose rows are ticked, counting only sizes above 0.
  std::int64_t MarkedTotalBytes();

  // ---- IListRows ---------------------------------------------------------------------------
  int RowCount() const override;
  int RowEntryId(int row) const override;
  bool RowChecked(int row) const override;
  bool RowSelected(int row) const override;

  TFileAdder& adder() { return *adder_; }
  QTreeView* list() const { return w_.list; }
  WorkListModel* model() const { return w_.model; }
  TkroPlayList* workList() const { return src_.workList ? src_.workList() : nullptr; }

 signals:
  // The operation panel's limit bar should be recomputed: now (immediate) or after its
  // delay (a check box was ticked or cleared by the user).
  void limitBarUpdateRequested(bool immediate);
  // A list change began (true) or ended (false); nothing may start an operation meanwhile.
  void busyChanged(bool busy);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void onSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void onCheckChanged(int row, bool checked);
  void onCaptionEdited(int row, const QString& text);

  // The row texts and mark of the entry under the work list's cursor.
  void rowFromCursor(bool& checked, std::vector<QString>& cells);
  void flushPendingRows();
  // The narrowest a column of this type is shown, in pixels (0: no minimum).
  int minimumWidth(int type) const;
  int configMode() const;
  void freeze(QWidget* w);
  void unfreeze(QWidget* w);
  void pump();
  // Makes the rows of the intervals (ascending, merged) the whole selection, in one step.
  void replaceSelection(const std::vector<std::pair<int, int>>& rowIntervals);
  const std::vector<char>& selectedBitmap() const;
  std::vector<int> selectedRowsDescending() const;
  int selectedRowCount() const;

  Widgets w_;
  Sources src_;
  std::unique_ptr<TFileAdder> adder_;
  std::vector<int> columnTypes_;
  // The destination column added to the stored ones (-1: none added), and whether it shows.
  static constexpr int kAddedDestColumnWidth = 300;
  int addedDestColumn_ = -1;
  bool destColumnShown_ = false;
  QAbstractItemView::EditTriggers editTriggers_;  // the list's own ways into in-place editing
  int mode_ = 1;
  bool busy_ = false;
  std::vector<QWidget*> frozenByBracket_;
  std::map<QWidget*, int> freezeCount_;

  struct PendingRow {
    int entry;
    bool checked;
    std::vector<QString> cells;
  };
  std::vector<PendingRow> pending_;

  mutable std::vector<char> selected_;
  mutable bool selectedDirty_ = true;
};
