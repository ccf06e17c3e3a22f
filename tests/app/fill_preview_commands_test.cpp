// "Tick what fits" and "Предпросмотр" on a real list view: the rows they tick, the limit
// bar's request, the status texts, the destination column's cells and their notes.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <filesystem>

#include "app/fill_commands.h"
#include "app/preview_command.h"
#include "lang/lang.h"
#include "lang/messages.h"
#include "test_support.h"
#include "view_test_support.h"

namespace {

std::vector<bool> ticks(ViewFixture& f) {
  std::vector<bool> v;
  for (int r = 0; r < f.model->rowCountTotal(); ++r) v.push_back(f.model->isChecked(r));
  return v;
}

}  // namespace

TEST(FillCommands, UntickTheRestTickWhatFitsAndAskForTheBarAtOnce) {
  ViewFixture f;
  f.add("/m/a.mp3", "a", 600, 0, FLAG_MARKED);
  f.add("/m/b.mp3", "b", 500);
  f.add("/m/c.mp3", "c", 300, 0, FLAG_MARKED);
  f.add("/m/gone.mp3", "gone", -1);
  f.add("/m/d.mp3", "d", 100, 0, FLAG_MARKED);
  std::int64_t limit = 1000;
  FillCommands fill(
      {f.model}, *f.view, [&] { return limit; }, [] { return 4242u; });
  QSignalSpy bar(f.view.get(), &WorkListView::limitBarUpdateRequested);

  fill.TickWhatFits(false);
  EXPECT_EQ(ticks(f), (std::vector<bool>{true, false, true, false, true}));
  EXPECT_EQ(f.view->MarkedTotalBytes(), 1000);
  EXPECT_EQ(f.panel(0), LangFormat(406, {3, SizeToText(1000)}));
  ASSERT_FALSE(bar.isEmpty());
  EXPECT_TRUE(bar.last().at(0).toBool());  // immediate
  EXPECT_FALSE(f.view->busy());

  // Random order: within the limit, the seed in the status bar, the same seed the same rows.
  fill.TickWhatFits(true);
  const auto first = ticks(f);
  EXPECT_LE(f.view->MarkedTotalBytes(), 1000);
  EXPECT_FALSE(first[3]);
  EXPECT_NE(f.panel(0).find("4242"), std::string::npos);
  fill.TickWhatFits(true);
  EXPECT_EQ(ticks(f), first);

  // Nothing fits: all unticked. No limit: the marks stay and the status bar says why.
  limit = 50;
  fill.TickWhatFits(false);
  EXPECT_EQ(ticks(f), std::vector<bool>(5, false));
  f.model->setChecked(1, true);
  limit = 0;
  fill.TickWhatFits(false);
  EXPECT_EQ(ticks(f), (std::vector<bool>{false, true, false, false, false}));
  EXPECT_EQ(f.panel(0), LangString(408));
}

TEST(PreviewCommand, ShowsTheDestinationColumnWithNotesAndWritesNothing) {
  ViewFixture f;
  TempDir tmp;
  writeFile(tmp / "src" / "a.mp3", "a");
  writeFile(tmp / "src" / "b.mp3", "b");
  writeFile(tmp / "dst" / "b.mp3", "old b");
  f.add((tmp / "src/a.mp3").string(), "a", 1, 0, FLAG_MARKED);
  f.add((tmp / "src/b.mp3").string(), "b", 1, 0, FLAG_MARKED);
  f.add((tmp / "src/gone.mp3").string(), "gone", 1, 0, FLAG_MARKED);
  f.add((tmp / "src/a.mp3").string(), "not ticked", 1, 0, 0);
  OperationParameters params;
  params.destination = (tmp / "dst").string();
  params.clearDestination = true;  // would ask and clear in a run; never in a preview
  PreviewCommand preview({f.model}, *f.view, [&] { return params; });
  ASSERT_TRUE(f.list->isColumnHidden(4));
  preview.Run();
  EXPECT_FALSE(f.list->isColumnHidden(4));
  EXPECT_TRUE(f.boxes.shown.empty());
  EXPECT_EQ(readFile(tmp / "dst" / "b.mp3"), "old b");
  EXPECT_FALSE(std::filesystem::exists(tmp / "dst" / "a.mp3"));
  // Cleared first, the destination holds nothing b would meet: no number.
  EXPECT_EQ(f.cell(1, 4).toStdString(), (tmp / "dst/b.mp3").string());
  EXPECT_FALSE(f.model->data(f.model->index(1, 4), Qt::ToolTipRole).isValid());
  EXPECT_EQ(f.model->data(f.model->index(2, 4), Qt::ToolTipRole).toString().toStdString(),
            LangFormat(422, {LangString(397)}));
  EXPECT_TRUE(f.model->data(f.model->index(2, 4), Qt::ForegroundRole).isValid());
  EXPECT_FALSE(f.model->data(f.model->index(2, 0), Qt::ToolTipRole).isValid());
  EXPECT_EQ(f.cell(3, 4), QString());

  // Not cleared: b's name is taken, and the cell shows the number it would get.
  params.clearDestination = false;
  preview.Run();
  EXPECT_EQ(f.cell(1, 4).toStdString(), (tmp / "dst/b (1).mp3").string());
  EXPECT_EQ(f.model->data(f.model->index(1, 4), Qt::ToolTipRole).toString().toStdString(),
            LangFormat(409, {"b.mp3"}));
  EXPECT_FALSE(std::filesystem::exists(tmp / "dst" / "b (1).mp3"));

  // Settings a run would refuse are refused in the same box, and nothing is previewed.
  params.destination = "  ";
  preview.Run();
  ASSERT_EQ(f.boxes.shown.size(), 1u);
  EXPECT_EQ(f.boxes.shown[0].caption, LangString(318));
  EXPECT_EQ(f.boxes.shown[0].text, LangString(323));
}
