#include "app/show_list_item.h"

#include <QItemSelectionModel>
#include <QScrollBar>
#include <QTreeView>
#include <string>

#include "worklist/add_files.h"

void ShowListItem(QTreeView& list, IWorkListView& view, int row) {
  // Rows added by a bracket still open are shown when a bracket closes; the row must be on
  // screen before it can be selected, so the open bracket closes here (its status text is
  // left for the caller, which writes its own).
  view.EndListWorkKeepStatus();
  QAbstractItemModel* model = list.model();
  if (!model || row < 0 || row >= model->rowCount()) return;
  view.BeginListWork(std::string());
  QItemSelectionModel* selection = list.selectionModel();
  if (selection && selection->hasSelection()) selection->clearSelection();

  const QModelIndex index = model->index(row, 0);
  // The row goes towards the middle when it lies below it; a row above the visible part is
  // brought back into view too (scrolling only downwards would leave it out of sight).
  const int top = list.visualRect(index).top();
  const int dy = top - list.viewport()->height() / 2;
  if (dy > 0 || top < 0) list.scrollTo(index, QAbstractItemView::PositionAtCenter);

  if (selection)
    selection->setCurrentIndex(index,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list.setFocus();
  view.EndListWork(std::string());
}
