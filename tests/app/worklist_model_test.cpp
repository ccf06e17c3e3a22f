// The rows behind the work-list view: entry numbers, check boxes, cell texts, edits.
#include "app/worklist_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

namespace {
std::vector<WorkListModel::Column> fourColumns() {
  return {{"Описание", 280, Qt::AlignLeft, 2},
          {"Размер", 60, Qt::AlignRight, 3},
          {"Длина", 50, Qt::AlignRight, 4},
          {"Источник", 400, Qt::AlignLeft, 0}};
}
}  // namespace

TEST(WorkListModel, RowsKeepEntryNumbersTextsAndOrderThroughAppendsAndRemovals) {
  WorkListModel m;
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  m.setColumns(fourColumns());
  EXPECT_EQ(m.columnCount(), 4);
  EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Размер"));
  EXPECT_FALSE(m.headerData(4, Qt::Horizontal).isValid());
  EXPECT_FALSE(m.headerData(0, Qt::Vertical).isValid());

  EXPECT_EQ(m.appendRow(11), 0);
  m.appendRows({12, 13, 14, 15, 16});
  m.appendRows(std::vector<int>{});
  ASSERT_EQ(m.rowCount(), 6);
  for (int r = 0; r < 6; ++r) EXPECT_EQ(m.entryNumber(r), 11 + r);
  EXPECT_EQ(m.entryNumber(6), -1);
  EXPECT_EQ(m.entryNumber(-1), -1);

  m.setRowTexts(1, {"Song", "1.5 КБ", "3:35", "/music/song.mp3", "extra dropped"});
  EXPECT_EQ(m.cellText(1, 0), QStringLiteral("Song"));
  EXPECT_EQ(m.data(m.index(1, 3)).toString(), QStringLiteral("/music/song.mp3"));
  m.setRowTexts(1, {"Only caption"});  // missing texts become empty
  EXPECT_EQ(m.cellText(1, 0), QStringLiteral("Only caption"));
  EXPECT_TRUE(m.cellText(1, 2).isEmpty());
  m.setCellText(2, 4, "out of range");  // ignored, no crash
  m.setCellText(99, 0, "no row");
  EXPECT_TRUE(m.cellText(99, 0).isEmpty());
  EXPECT_EQ(m.data(m.index(0, 1), Qt::TextAlignmentRole).toInt() & Qt::AlignRight, Qt::AlignRight);

  // Deleting rows 2 and 5 (from the last to the first) leaves 1, 3, 4, 6 in order.
  EXPECT_TRUE(m.removeRowAt(4));
  EXPECT_TRUE(m.removeRowAt(1));
  EXPECT_FALSE(m.removeRowAt(4));
  ASSERT_EQ(m.rowCount(), 4);
  EXPECT_EQ(m.entryNumber(0), 11);
  EXPECT_EQ(m.entryNumber(1), 13);
  EXPECT_EQ(m.entryNumber(2), 14);
  EXPECT_EQ(m.entryNumber(3), 16);

  // New columns keep the rows but not their texts.
  m.setCellText(0, 0, "x");
  m.setColumns({{"Источник", 400, Qt::AlignLeft, 0}});
  EXPECT_EQ(m.rowCount(), 4);
  EXPECT_TRUE(m.cellText(0, 0).isEmpty());
  m.clear();
  EXPECT_EQ(m.rowCount(), 0);
  // Rows without columns are still rows (the view may have none configured).
  m.clearColumns();
  m.appendRow(1);
  EXPECT_EQ(m.rowCount(), 1);
  EXPECT_FALSE(m.index(0, 0).isValid());
}

TEST(WorkListModel, CheckBoxesReportEveryChangeAndFollowTheViewMode) {
  WorkListModel m;
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  m.setColumns(fourColumns());
  m.appendRows({1, 2, 3});
  QSignalSpy spy(&m, &WorkListModel::checkStateChanged);

  EXPECT_EQ(m.data(m.index(0, 0), Qt::CheckStateRole).toInt(), Qt::Unchecked);
  EXPECT_FALSE(m.data(m.index(0, 1), Qt::CheckStateRole).isValid());
  EXPECT_TRUE(m.flags(m.index(0, 0)) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(m.flags(m.index(0, 1)) & Qt::ItemIsUserCheckable);

  // A click in the view arrives as setData on the check state.
  EXPECT_TRUE(m.setData(m.index(2, 0), Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(m.isChecked(2));
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy[0][0].toInt(), 2);
  EXPECT_TRUE(spy[0][1].toBool());
  m.setChecked(2, true);  // no change, no report
  EXPECT_EQ(spy.count(), 1);
  m.setChecked(2, false);
  EXPECT_EQ(spy.count(), 2);
  m.setChecked(7, true);  // no such row
  EXPECT_EQ(spy.count(), 2);
  EXPECT_FALSE(m.isChecked(7));

  m.setAllChecked(true);  // one bulk change, no per-row reports
  EXPECT_EQ(spy.count(), 2);
  for (int r = 0; r < 3; ++r) EXPECT_TRUE(m.isChecked(r));

  // Mode 0: no check boxes shown or settable; the marks themselves are kept.
  m.setCheckable(false);
  EXPECT_FALSE(m.data(m.index(0, 0), Qt::CheckStateRole).isValid());
  EXPECT_FALSE(m.flags(m.index(0, 0)) & Qt::ItemIsUserCheckable);
  EXPECT_FALSE(m.setData(m.index(0, 0), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_TRUE(m.isChecked(0));
  m.setCheckable(true);
  EXPECT_EQ(m.data(m.index(0, 0), Qt::CheckStateRole).toInt(), Qt::Checked);
}

TEST(WorkListModel, OnlyTheFirstColumnIsEditedInPlaceAndEditsAreReported) {
  WorkListModel m;
  m.setColumns(fourColumns());
  m.appendRow(5);
  m.setRowTexts(0, {"Old", "1 КБ"});
  QSignalSpy spy(&m, &WorkListModel::captionEdited);
  EXPECT_TRUE(m.flags(m.index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_FALSE(m.flags(m.index(0, 1)) & Qt::ItemIsEditable);
  EXPECT_FALSE(m.setData(m.index(0, 1), "2 КБ", Qt::EditRole));
  EXPECT_EQ(m.cellText(0, 1), QStringLiteral("1 КБ"));
  EXPECT_TRUE(m.setData(m.index(0, 0), "Old", Qt::EditRole));  // unchanged: not reported
  EXPECT_EQ(spy.count(), 0);
  EXPECT_TRUE(m.setData(m.index(0, 0), "New", Qt::EditRole));
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy[0][0].toInt(), 0);
  EXPECT_EQ(spy[0][1].toString(), QStringLiteral("New"));
  EXPECT_EQ(m.cellText(0, 0), QStringLiteral("New"));
  EXPECT_FALSE(m.setData(QModelIndex(), "x", Qt::EditRole));
}

TEST(WorkListModel, HundredThousandRowsAppendInOneInsert) {
  WorkListModel m;
  m.setColumns(fourColumns());
  QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
  std::vector<int> entries(100000);
  for (int i = 0; i < 100000; ++i) entries[static_cast<std::size_t>(i)] = i + 1;
  m.appendRows(entries);
  EXPECT_EQ(m.rowCount(), 100000);
  EXPECT_EQ(inserted.count(), 1);
  EXPECT_EQ(m.entryNumber(99999), 100000);
  m.setChecked(99999, true);
  EXPECT_TRUE(m.isChecked(99999));
}

TEST(WorkListModel, WholeRowsAppendAndRewriteWithOneNotification) {
  WorkListModel m;
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  m.setColumns(fourColumns());
  QSignalSpy checks(&m, &WorkListModel::checkStateChanged);
  QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
  std::vector<WorkListModel::RowData> rows(3);
  rows[0] = {7, true, {"a", "1 КБ", "0:10", "/a.mp3"}};
  rows[1] = {8, false, {"b"}};                            // short: padded
  rows[2] = {9, true, {"c", "", "", "/c.mp3", "extra"}};  // long: cut
  m.appendRows(std::move(rows));
  ASSERT_EQ(m.rowCount(), 3);
  EXPECT_TRUE(m.isChecked(0));
  EXPECT_FALSE(m.isChecked(1));
  EXPECT_TRUE(m.cellText(1, 3).isEmpty());
  EXPECT_EQ(m.cellText(2, 3), QStringLiteral("/c.mp3"));
  EXPECT_EQ(m.entryNumber(2), 9);

  // A silent rewrite of every row, then one notification for all of them.
  for (int r = 0; r < 3; ++r) m.setRow(r, r == 1, {QStringLiteral("row%1").arg(r)}, false);
  EXPECT_EQ(changed.count(), 0);
  m.notifyRowsChanged(0, 99);  // clipped to the rows there are
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 0);
  EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), 2);
  EXPECT_EQ(m.cellText(1, 0), QStringLiteral("row1"));
  EXPECT_TRUE(m.isChecked(1));
  EXPECT_FALSE(m.isChecked(0));
  m.setRow(0, true, {"x"}, true);
  EXPECT_EQ(changed.count(), 2);
  m.setRow(5, true, {"x"}, true);  // no such row
  m.notifyRowsChanged(2, 1);       // empty range
  EXPECT_EQ(changed.count(), 2);
  // Rewrites mirror the entries; they are not the user's check changes.
  EXPECT_EQ(checks.count(), 0);

  // Caption editing can be switched off (for a first column that is not a description).
  m.setCaptionEditable(false);
  EXPECT_FALSE(m.flags(m.index(0, 0)) & Qt::ItemIsEditable);
  EXPECT_FALSE(m.setData(m.index(0, 0), "typed", Qt::EditRole));
  EXPECT_EQ(m.cellText(0, 0), QStringLiteral("x"));
}

TEST(WorkListModel, BulkMarksAndRangeRemovalTouchOnlyTheRowsNamed) {
  WorkListModel m;
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  m.setColumns(fourColumns());
  m.appendRows({1, 2, 3, 4, 5, 6});
  QSignalSpy checks(&m, &WorkListModel::checkStateChanged);
  QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
  m.setCheckedRows({4, 1, 99, -3}, true);  // unordered, with rows that do not exist
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(checks.count(), 0);
  for (int r = 0; r < 6; ++r) EXPECT_EQ(m.isChecked(r), r == 1 || r == 4) << r;
  m.setCheckedRows({}, true);
  m.setCheckedRows({42}, true);
  EXPECT_EQ(changed.count(), 1);

  EXPECT_TRUE(m.removeRowRange(1, 2));  // rows of entries 2 and 3
  ASSERT_EQ(m.rowCount(), 4);
  EXPECT_EQ(m.entryNumber(0), 1);
  EXPECT_EQ(m.entryNumber(1), 4);
  EXPECT_FALSE(m.isChecked(0));
  EXPECT_TRUE(m.isChecked(2));  // entry 5 kept its mark
  EXPECT_FALSE(m.removeRowRange(2, 1));
  EXPECT_FALSE(m.removeRowRange(3, 4));  // reaches past the rows: nothing removed
  EXPECT_FALSE(m.removeRowRange(-1, 0));
  EXPECT_EQ(m.rowCount(), 4);
  EXPECT_TRUE(m.removeRowRange(0, 3));
  EXPECT_EQ(m.rowCount(), 0);
}

TEST(WorkListModel, TextsOfEveryLengthAndScriptComeBackAsTheyWereGiven) {
  // Lengths around the steps of the packed length (one, two and three bytes), texts in
  // other scripts, a NUL inside a text, and empty cells between full ones.
  WorkListModel m;
  m.setColumns(fourColumns());
  const QString cyrillic = QStringLiteral("Кино — Группа крови 🎵");
  const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
  for (const int length : {0, 1, 127, 128, 16383, 16384, 70000}) {
    const QString longText(length, QLatin1Char('x'));
    std::vector<WorkListModel::RowData> rows(1);
    rows[0] = {length, false, {longText, cyrillic, QString(), withNul}};
    m.appendRows(std::move(rows));
    const int r = m.rowCount() - 1;
    EXPECT_EQ(m.cellText(r, 0), longText) << length;
    EXPECT_EQ(m.cellText(r, 1), cyrillic) << length;
    EXPECT_TRUE(m.cellText(r, 2).isEmpty()) << length;
    EXPECT_EQ(m.data(m.index(r, 3)).toString(), withNul) << length;
    EXPECT_TRUE(m.cellText(r, 4).isEmpty());
  }
  // Changing one cell keeps the others; an edit in place does the same.
  m.setCellText(2, 2, QStringLiteral("3:35"));
  EXPECT_EQ(m.cellText(2, 2), QStringLiteral("3:35"));
  EXPECT_EQ(m.cellText(2, 0), QString(127, QLatin1Char('x')));
  EXPECT_EQ(m.cellText(2, 3), withNul);
  EXPECT_TRUE(m.setData(m.index(2, 0), cyrillic, Qt::EditRole));
  EXPECT_EQ(m.cellText(2, 0), cyrillic);
  EXPECT_EQ(m.cellText(2, 1), cyrillic);
  m.setCellText(2, 3, QString());  // emptied last cell
  EXPECT_TRUE(m.cellText(2, 3).isEmpty());
  EXPECT_EQ(m.cellText(2, 2), QStringLiteral("3:35"));
  // Removing rows moves the packed texts with them.
  EXPECT_TRUE(m.removeRowAt(0));
  m.removeRowsAscending({2, 3});
  ASSERT_EQ(m.rowCount(), 4);
  EXPECT_EQ(m.cellText(0, 0), QStringLiteral("x"));
  EXPECT_EQ(m.cellText(1, 2), QStringLiteral("3:35"));
  EXPECT_EQ(m.cellText(2, 0).size(), 16384);
  EXPECT_EQ(m.cellText(3, 0).size(), 70000);
  EXPECT_EQ(m.cellText(3, 1), cyrillic);
}

TEST(WorkListModel, BatchesAppendedInBulkReachTheViewAsOneReset) {
  WorkListModel m;
  QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::Fatal);
  m.setColumns(fourColumns());
  m.appendRow(1);
  QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
  QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
  m.beginBulkAppend();
  m.beginBulkAppend();  // nested calls change nothing
  for (int batch = 0; batch < 3; ++batch) {
    std::vector<WorkListModel::RowData> rows;
    for (int i = 0; i < 100; ++i) rows.push_back({2 + batch * 100 + i, i % 2 == 0, {"t"}});
    m.appendRows(std::move(rows));
  }
  EXPECT_EQ(reset.count(), 0);
  m.endBulkAppend();
  m.endBulkAppend();
  EXPECT_EQ(inserted.count(), 0);
  EXPECT_EQ(reset.count(), 1);
  ASSERT_EQ(m.rowCount(), 301);
  EXPECT_EQ(m.entryNumber(300), 301);
  EXPECT_TRUE(m.isChecked(299));
  EXPECT_EQ(m.cellText(150, 0), QStringLiteral("t"));
  // Outside a bulk append every append is an insert again.
  m.appendRow(500);
  EXPECT_EQ(inserted.count(), 1);
}
