#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QHeaderView>
#include <QTest>

#include "lang/lang.h"
#include "view_test_support.h"

namespace {

TEST(ListView, DefaultColumnsAndSkippedOrMissingColumnData) {
  ViewFixture f;
  // The stored four, and the destination column added after them, hidden until shown.
  ASSERT_EQ(f.model->columnCount(), 5);
  EXPECT_EQ(f.model->headerData(4, Qt::Horizontal).toString(), QString::fromUtf8("Приемник"));
  EXPECT_TRUE(f.list->isColumnHidden(4));
  f.view->ShowDestinationColumn();
  EXPECT_FALSE(f.list->isColumnHidden(4));
  f.view->ListReformat(-1);
  EXPECT_FALSE(f.list->isColumnHidden(4));
  for (int c = 0; c < 4; ++c) EXPECT_FALSE(f.list->isColumnHidden(c));
  const char* captions[] = {"Описание", "Размер", "Длина", "Источник"};
  const int widths[] = {280, 60, 50, 400};
  const Qt::Alignment align[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignRight, Qt::AlignLeft};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(f.model->headerData(c, Qt::Horizontal).toString(), QString::fromUtf8(captions[c]));
    // Size and length columns are never narrower than their own figures in this font.
    if (c == 1 || c == 2) {
      EXPECT_GE(f.list->header()->sectionSize(c), widths[c]);
      const QString widest =
          QString::fromStdString(c == 1 ? SizeToText(888800000) : SecondsToText(35999));
      EXPECT_GT(f.list->header()->sectionSize(c),
                QFontMetrics(f.list->font()).horizontalAdvance(widest));
    } else {
      EXPECT_EQ(f.list->header()->sectionSize(c), widths[c]);
    }
    EXPECT_EQ(f.model->columns()[static_cast<std::size_t>(c)].alignment, align[c]);
  }
  EXPECT_TRUE(f.model->checkable());

  // Types outside -9 .. 29 make no column; flags and unknown types are left-aligned. A
  // stored destination column is the only one: none is added.
  f.columns = std::vector<ListColumnSpec>{{-1, 5, 70}, {-1, 30, 10}, {-1, -10, 10}, {-1, 1, 90}};
  f.mode = 0;
  f.view->ListReformat(-1);
  ASSERT_EQ(f.model->columnCount(), 2);
  EXPECT_EQ(f.model->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("Флаги"));
  EXPECT_EQ(f.model->headerData(1, Qt::Horizontal).toString(), QString::fromUtf8("Приемник"));
  EXPECT_FALSE(f.model->checkable());
  EXPECT_TRUE(f.boxes.shown.empty());

  // No column data: the user is told, and the list has no columns.
  f.columns.reset();
  f.view->ListReformat(1);
  EXPECT_EQ(f.model->columnCount(), 0);
  ASSERT_EQ(f.boxes.shown.size(), 1u);
  EXPECT_NE(f.boxes.shown[0].text.find("lvListReformat.NoColumnsData"), std::string::npos);
}

TEST(ListView, CellTextsByColumnType) {
  ViewFixture f;
  f.add("/m/a.mp3", "Band - Song", 1536, 215, FLAG_MARKED);
  f.add("/m/b.mp3", "No length", -1, 0);
  f.add("/m/c.mp3", "Negative length", 0, -1);
  ASSERT_EQ(f.model->rowCountTotal(), 3);
  EXPECT_EQ(f.cell(0, 0), "Band - Song");
  EXPECT_EQ(f.cell(0, 1), QString::fromStdString(SizeToText(1536)));
  EXPECT_EQ(f.cell(0, 2), "3:35");
  EXPECT_EQ(f.cell(0, 3), "/m/a.mp3");
  EXPECT_TRUE(f.model->isChecked(0));
  EXPECT_EQ(f.cell(1, 1), "N/A");
  EXPECT_EQ(f.cell(1, 2), "");
  EXPECT_EQ(f.cell(2, 1), QString::fromStdString(SizeToText(0)));
  EXPECT_EQ(f.cell(2, 2), "");
  EXPECT_FALSE(f.model->isChecked(1));

  EXPECT_EQ(ListCellText(1, "o", "d", "x", 1, 1), "d");
  EXPECT_EQ(ListCellText(5, "o", "d", "x", 1, 1), "");
  EXPECT_EQ(ListCellText(-3, "o", "d", "x", 1, 1), "");
  EXPECT_EQ(ListCellText(3, "", "", "", 3000000000LL, 0), SizeToText(3000000000LL));
}

TEST(ListView, SelectionShowsPositionOrCount) {
  ViewFixture f;
  f.addNumbered(12);
  f.selectRows({2});
  EXPECT_EQ(f.panel(1), "3/12");
  EXPECT_EQ(f.panel(0), "/music/3.mp3");
  f.workList.SelectIndex(0);
  f.selectRows({2});
  EXPECT_EQ(f.workList.Cursor->GetOrigin(), "/music/3.mp3");  // the cursor follows

  f.selectRows({0, 1, 4, 5, 9});
  EXPECT_EQ(f.panel(1), "5");
  EXPECT_EQ(f.panel(0), "");
  f.list->clearSelection();
  EXPECT_EQ(f.panel(1), "");
  EXPECT_EQ(f.panel(0), "");

  // Inside a bracket selections are not reported.
  f.view->BeginListWork("work");
  f.selectRows({7});
  EXPECT_EQ(f.panel(0), "work");
  f.view->EndListWork("");
}

TEST(ListView, CheckBoxWritesTheMarkAndAsksForADelayedBar) {
  ViewFixture f;
  f.addNumbered(3);
  QSignalSpy bar(f.view.get(), &WorkListView::limitBarUpdateRequested);
  const std::int32_t keep = 0x00000007 | FLAG_GONE;
  f.workList.SelectIndex(1);
  f.workList.Cursor->SetFlags(keep);

  ASSERT_TRUE(f.model->setData(f.model->index(1, 0), Qt::Checked, Qt::CheckStateRole));
  EXPECT_EQ(f.flagsAt(1), keep | FLAG_MARKED);
  ASSERT_EQ(bar.count(), 1);
  EXPECT_EQ(bar.at(0).at(0).toBool(), false);
  f.model->setData(f.model->index(1, 0), Qt::Unchecked, Qt::CheckStateRole);
  EXPECT_EQ(f.flagsAt(1), keep);
  EXPECT_EQ(bar.count(), 2);

  // While busy the change stays in the row until the marks are saved.
  f.view->BeginListWork("");
  f.model->setData(f.model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
  EXPECT_EQ(f.flagsAt(0), 0);
  f.view->EndListWork("");
  EXPECT_EQ(bar.count(), 3);
  EXPECT_EQ(bar.at(2).at(0).toBool(), true);  // the bracket's end: at once
  f.view->ListSaveMarks();
  EXPECT_EQ(f.flagsAt(0), FLAG_MARKED);
}

TEST(ListView, CaptionEditWritesTheDescription) {
  ViewFixture f;
  f.addNumbered(2);
  const auto original = f.list->editTriggers();
  ASSERT_NE(original, QAbstractItemView::NoEditTriggers);
  ASSERT_TRUE(f.model->setData(f.model->index(1, 0), "New name", Qt::EditRole));
  f.workList.SelectIndex(1);
  EXPECT_EQ(f.workList.Cursor->GetDescr(), "New name");
  f.workList.SelectIndex(0);
  EXPECT_EQ(f.workList.Cursor->GetDescr(), "Song 1");

  // A source column in front is not edited in place: typing over it would not move the file.
  f.columns = std::vector<ListColumnSpec>{{-1, 0, 100}, {-1, 2, 100}};
  f.view->ListReformat(1);
  f.view->ListFullUpdate();
  EXPECT_EQ(f.list->editTriggers(), QAbstractItemView::NoEditTriggers);
  f.columns = std::vector<ListColumnSpec>{{-1, 2, 100}};
  f.view->ListReformat(1);
  EXPECT_EQ(f.list->editTriggers(), original);
}

TEST(ListView, MiddleButtonMarksTheSelection) {
  ViewFixture f;
  f.window.show();
  f.addNumbered(20);
  auto middleClick = [&](int row) {
    const QPoint p = f.list->visualRect(f.model->index(row, 0)).center();
    QTest::mouseClick(f.list->viewport(), Qt::MiddleButton, {}, p);
  };

  // 4 selected, 1 checked: all 4 checked, each reaching its entry at once.
  f.model->setChecked(0, true);
  f.selectRows({0, 1, 2, 3});
  middleClick(10);
  for (int r = 0; r < 4; ++r) {
    EXPECT_TRUE(f.model->isChecked(r));
    EXPECT_EQ(f.flagsAt(r) & FLAG_MARKED, FLAG_MARKED);
  }
  EXPECT_FALSE(f.model->isChecked(10));
  EXPECT_EQ(f.list->selectionModel()->selectedRows().size(), 4);  // selection untouched

  // 2 of 4 checked: a tie unchecks all.
  f.model->setChecked(0, false);
  f.model->setChecked(1, false);
  middleClick(3);
  for (int r = 0; r < 4; ++r) EXPECT_FALSE(f.model->isChecked(r));

  // One row: the row under the pointer flips.
  f.selectRows({5});
  middleClick(7);
  EXPECT_TRUE(f.model->isChecked(7));
  EXPECT_EQ(f.flagsAt(7) & FLAG_MARKED, FLAG_MARKED);
  middleClick(7);
  EXPECT_FALSE(f.model->isChecked(7));

  // More than 10 rows: one bracket; the entries learn it at the next mark save.
  std::vector<int> many;
  for (int r = 2; r < 14; ++r) many.push_back(r);
  f.selectRows(many);
  QSignalSpy bar(f.view.get(), &WorkListView::limitBarUpdateRequested);
  middleClick(1);
  for (int r : many) EXPECT_TRUE(f.model->isChecked(r));
  EXPECT_EQ(f.flagsAt(2) & FLAG_MARKED, 0);
  ASSERT_EQ(bar.count(), 1);
  EXPECT_TRUE(bar.at(0).at(0).toBool());
  EXPECT_FALSE(f.view->busy());
  EXPECT_TRUE(f.lock->updatesEnabled());
  f.view->ListSaveMarks();
  EXPECT_EQ(f.flagsAt(2) & FLAG_MARKED, FLAG_MARKED);
  EXPECT_EQ(f.flagsAt(2) & FLAG_SELECTED, FLAG_SELECTED);
}

TEST(ListView, DeletingRowsTwoAndFiveOfSix) {
  ViewFixture f;
  f.addNumbered(6);
  f.selectRows({1, 4});
  f.view->DeleteSelected();
  ASSERT_EQ(f.model->rowCountTotal(), 4);
  ASSERT_EQ(f.workList.EntryCount(), 4);
  const char* expected[] = {"/music/1.mp3", "/music/3.mp3", "/music/4.mp3", "/music/6.mp3"};
  for (int r = 0; r < 4; ++r) {
    EXPECT_EQ(f.cell(r, 3).toStdString(), expected[r]);
    f.workList.SelectIndex(r);
    EXPECT_EQ(f.workList.Cursor->GetOrigin(), expected[r]);
    EXPECT_EQ(f.model->entryNumber(r), f.workList.Cursor->Id);
  }
  EXPECT_EQ(f.panel(0), "");

  // Many scattered rows: every other one of 100.
  f.view->ClearList();
  f.addNumbered(100);
  std::vector<int> odd;
  for (int r = 1; r < 100; r += 2) odd.push_back(r);
  f.selectRows(odd);
  f.view->DeleteSelected();
  ASSERT_EQ(f.model->rowCountTotal(), 50);
  ASSERT_EQ(f.workList.EntryCount(), 50);
  for (int r = 0; r < 50; r += 7) {
    EXPECT_EQ(f.cell(r, 3).toStdString(), "/music/" + std::to_string(2 * r + 1) + ".mp3");
    f.workList.SelectIndex(r);
    EXPECT_EQ(f.model->entryNumber(r), f.workList.Cursor->Id);
  }

  // Deleting everything, from a selection of runs.
  f.view->SelectAll();
  f.view->DeleteSelected();
  EXPECT_EQ(f.model->rowCountTotal(), 0);
  EXPECT_EQ(f.workList.EntryCount(), 0);
}

TEST(ListView, SelectionAndMarkCommands) {
  ViewFixture f;
  f.addNumbered(6);
  auto selected = [&] {
    std::vector<int> rows;
    for (const QModelIndex& i : f.list->selectionModel()->selectedRows()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
  };
  QSignalSpy bar(f.view.get(), &WorkListView::limitBarUpdateRequested);

  f.view->SelectAll();
  EXPECT_EQ(selected().size(), 6u);
  f.view->ClearSelection();
  EXPECT_TRUE(selected().empty());
  f.selectRows({0, 2});
  f.view->InvertSelection();
  EXPECT_EQ(selected(), (std::vector<int>{1, 3, 4, 5}));

  f.view->MarkSelected();  // 1710
  for (int r = 0; r < 6; ++r) EXPECT_EQ(f.model->isChecked(r), r != 0 && r != 2);
  // The entries change only at the next mark save.
  EXPECT_EQ(f.flagsAt(1) & FLAG_MARKED, 0);

  f.selectRows({3, 4});
  f.view->UnmarkSelected();  // 1720
  EXPECT_FALSE(f.model->isChecked(3));
  EXPECT_TRUE(f.model->isChecked(5));
  f.view->SelectMarked();  // 1640
  EXPECT_EQ(selected(), (std::vector<int>{1, 5}));

  f.view->ListSaveMarks();
  EXPECT_EQ(f.flagsAt(1), FLAG_MARKED | FLAG_SELECTED);
  EXPECT_EQ(f.flagsAt(3), 0);

  f.view->UnmarkAll();  // 1730
  for (int r = 0; r < 6; ++r) EXPECT_FALSE(f.model->isChecked(r));
  EXPECT_EQ(bar.count(), 7);  // every command ends its bracket once
  EXPECT_EQ(f.panel(0), "");

  EXPECT_TRUE(f.view->RunListCommand(1610));
  EXPECT_EQ(selected().size(), 6u);
  EXPECT_FALSE(f.view->RunListCommand(1120));
}

TEST(ListView, SelectionCommandsAtTheEdgesAndOverManyRanges) {
  ViewFixture f;
  f.view->SelectAll();  // an empty list: nothing to select, nothing breaks
  f.view->InvertSelection();
  EXPECT_TRUE(f.list->selectionModel()->selection().isEmpty());
  f.addNumbered(10);
  // Whole rows (every column) are what the commands select.
  auto selected = [&] {
    std::vector<int> rows;
    for (const QModelIndex& i : f.list->selectionModel()->selectedRows()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
  };
  f.view->InvertSelection();
  EXPECT_EQ(selected().size(), 10u);
  f.view->InvertSelection();
  EXPECT_TRUE(selected().empty());

  // The first and the last row, one more added by toggling, and one row that is selected
  // twice over: the gaps between them become the selection.
  f.selectRows({0, 9, 6});
  f.list->selectionModel()->select(f.model->index(4, 0),
                                   QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
  f.list->selectionModel()->select(f.model->index(6, 1),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
  f.view->InvertSelection();
  EXPECT_EQ(selected(), (std::vector<int>{1, 2, 3, 5, 7, 8}));

  // Select marked with nothing ticked leaves nothing selected.
  f.view->SelectMarked();
  EXPECT_TRUE(selected().empty());

  // Every other row of 1,000: inverting gives exactly the other half, twice gives the first.
  f.view->ClearList();
  f.addNumbered(1000);
  std::vector<int> even, odd;
  for (int r = 0; r < 1000; ++r) (r % 2 ? odd : even).push_back(r);
  f.selectRows(even);
  f.view->InvertSelection();
  EXPECT_EQ(selected(), odd);
  f.view->InvertSelection();
  EXPECT_EQ(selected(), even);
  f.view->MarkSelected();
  f.view->SelectAll();
  EXPECT_EQ(selected().size(), 1000u);
  f.view->SelectMarked();
  EXPECT_EQ(selected(), even);
  for (int r = 0; r < 1000; ++r) ASSERT_EQ(f.view->RowSelected(r), r % 2 == 0) << r;
  f.view->ListSaveMarks();
  EXPECT_EQ(f.flagsAt(998), FLAG_MARKED | FLAG_SELECTED);
  EXPECT_EQ(f.flagsAt(999), 0);
}

TEST(ListView, ClearRefreshAndModeTwo) {
  ViewFixture f;
  f.addNumbered(3);
  // Entries changed behind the view's back show after a refresh; the marks are saved first.
  f.model->setChecked(2, true);
  f.workList.SelectIndex(0);
  f.workList.Cursor->SetDescr("Changed");
  f.view->ListRefresh();
  EXPECT_EQ(f.cell(0, 0), "Changed");
  EXPECT_TRUE(f.model->isChecked(2));
  EXPECT_EQ(f.flagsAt(2) & FLAG_MARKED, FLAG_MARKED);

  f.view->RefreshList();  // 1500
  EXPECT_EQ(f.model->rowCountTotal(), 3);
  EXPECT_TRUE(f.model->isChecked(2));

  // Mode 2: neither reformat nor clear touch rows or columns.
  f.mode = 2;
  f.view->ListReformat(-1);
  f.view->ListClear();
  EXPECT_EQ(f.model->rowCountTotal(), 3);
  EXPECT_EQ(f.model->columnCount(), 5);

  f.mode = 1;
  f.view->ClearList();  // 1400 / 1810
  EXPECT_EQ(f.model->rowCountTotal(), 0);
  EXPECT_EQ(f.workList.EntryCount(), 0);
}

TEST(ListView, BracketFreezesCollectsRowsAndWritesStatus) {
  ViewFixture f;
  f.window.show();
  f.view->SetStatusText(2, "old", false);
  f.view->BeginListWork("Scanning");
  EXPECT_TRUE(f.view->busy());
  EXPECT_FALSE(f.window.updatesEnabled());
  EXPECT_EQ(f.panel(0), "Scanning");
  EXPECT_EQ(f.panel(2), "");
  f.addNumbered(3);
  // Rows added while busy are shown at the end, but the marks already see them.
  EXPECT_EQ(f.model->rowCountTotal(), 0);
  EXPECT_EQ(f.view->RowCount(), 3);
  f.workList.SelectIndex(2);
  EXPECT_EQ(f.view->RowEntryId(2), f.workList.Cursor->Id);
  f.view->EndListWork("Done");
  EXPECT_FALSE(f.view->busy());
  EXPECT_TRUE(f.window.updatesEnabled());
  EXPECT_EQ(f.model->rowCountTotal(), 3);
  EXPECT_EQ(f.panel(0), "Done");

  f.view->ShowCount(0, false);
  EXPECT_EQ(f.panel(1), "");
  f.view->ShowCount(12, false);
  EXPECT_EQ(f.panel(1), "12");
  f.view->EndListWorkKeepStatus();
  EXPECT_EQ(f.panel(1), "12");
  f.view->ClearStatus();
  EXPECT_EQ(f.panel(1), "");

  // A clear inside a bracket does not unfreeze the window early.
  f.view->BeginListWork("x");
  f.view->ListClear();
  EXPECT_FALSE(f.window.updatesEnabled());
  f.view->EndListWork("");
  EXPECT_TRUE(f.window.updatesEnabled());

  // Commands wait for an open bracket to end.
  f.addNumbered(2);
  f.view->BeginListWork("x");
  f.view->ClearList();
  EXPECT_EQ(f.workList.EntryCount(), 5);
  f.view->EndListWork("");
}

TEST(ListView, MarkedTotalCountsOnlyTickedPositiveSizes) {
  ViewFixture f;
  f.add("/a", "a", 100);
  f.add("/b", "b", -1);
  f.add("/c", "c", 3000000000LL);
  f.add("/d", "d", 7);
  for (int r : {0, 1, 2}) f.model->setChecked(r, true);
  EXPECT_EQ(f.view->MarkedTotalBytes(), 3000000100LL);
}

}  // namespace

TEST(ListView, RewritingOneRowKeepsMarksNotYetSavedToTheEntry) {
  ViewFixture f;
  f.addNumbered(4);
  f.selectRows({1, 2});
  f.view->MarkSelected();  // reaches the entries only at the next mark save
  f.list->clearSelection();
  ASSERT_EQ(f.flagsAt(1) & FLAG_MARKED, 0);

  // The player learns a length and rewrites the row: the texts follow the entry, the mark
  // the user has just set stays.
  f.workList.SelectIndex(1);
  f.workList.Cursor->SetLength(215);
  f.workList.Cursor->SetDescr("Renamed");
  f.view->ListUpdateItem(1);
  EXPECT_TRUE(f.model->isChecked(1));
  EXPECT_TRUE(f.model->isChecked(2));
  EXPECT_FALSE(f.model->isChecked(0));
  EXPECT_EQ(f.cell(1, 0).toStdString(), "Renamed");
  EXPECT_EQ(f.cell(1, 2).toStdString(), SecondsToText(215));

  // Once saved, the entries carry the marks and a rewrite shows them as before.
  f.view->ListSaveMarks();
  EXPECT_EQ(f.flagsAt(1) & FLAG_MARKED, FLAG_MARKED);
  f.view->ListUpdateItem(1);
  f.view->ListUpdateItem(3);
  EXPECT_TRUE(f.model->isChecked(1));
  EXPECT_FALSE(f.model->isChecked(3));
}
