// Pointing the work list on screen at one row, as the Winamp import and the playlist flows
// do after adding.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QStandardItemModel>
#include <QTreeView>
#include <string>
#include <vector>

#include "app/show_list_item.h"
#include "worklist/add_test_support.h"

TEST(ShowListItemOnScreen, OnlyTheRowIsSelectedFocusedAndInView) {
  QStandardItemModel model(200, 2);
  for (int r = 0; r < 200; ++r) model.setItem(r, 0, new QStandardItem(QString::number(r)));
  QTreeView tree;
  tree.setModel(&model);
  tree.setSelectionMode(QAbstractItemView::ExtendedSelection);
  tree.resize(300, 200);
  tree.show();
  RecordingView view;

  tree.selectionModel()->select(model.index(3, 0),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
  tree.selectionModel()->select(model.index(150, 0),
                                QItemSelectionModel::Select | QItemSelectionModel::Rows);
  ShowListItem(tree, view, 120);
  const QModelIndexList selected = tree.selectionModel()->selectedRows();
  ASSERT_EQ(selected.size(), 1);
  EXPECT_EQ(selected[0].row(), 120);
  EXPECT_EQ(tree.currentIndex().row(), 120);
  const QRect rect = tree.visualRect(model.index(120, 0));
  EXPECT_TRUE(tree.viewport()->rect().contains(rect.center()));
  // About the middle: not at the top or bottom edge.
  EXPECT_GT(rect.top(), rect.height());
  EXPECT_LT(rect.bottom(), tree.viewport()->height() - rect.height());
  EXPECT_EQ(view.calls, (std::vector<std::string>{"endkeep", "begin:", "end:"}));

  // A row above the visible part comes back into view.
  ShowListItem(tree, view, 2);
  EXPECT_TRUE(tree.viewport()->rect().contains(tree.visualRect(model.index(2, 0)).center()));
  EXPECT_EQ(tree.selectionModel()->selectedRows().size(), 1);

  // A row in the upper half of the view is selected without scrolling.
  const int scroll = tree.verticalScrollBar()->value();
  ShowListItem(tree, view, 3);
  EXPECT_EQ(tree.verticalScrollBar()->value(), scroll);
  EXPECT_EQ(tree.currentIndex().row(), 3);

  // Rows the list does not have change nothing.
  ShowListItem(tree, view, 200);
  ShowListItem(tree, view, -1);
  EXPECT_EQ(tree.currentIndex().row(), 3);
}
