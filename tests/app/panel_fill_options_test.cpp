// The operation panel's options for filling a player again: the fourth "if the file
// exists" choice and "Проверять копии", from the panel into the run's parameters and
// through the configuration, also one written before the options existed.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <memory>

#include "app/configuration.h"
#include "app/configuration_controls.h"
#include "app/operation_panel.h"
#include "app/radio_group.h"
#include "panel_test_support.h"
#include "store/kro_object.h"

namespace {

class FillOptionsPanel : public ::testing::Test, public FormFixture {
 protected:
  OperationPanel& panel = form.parts().operation;
};

// One start of the program over a data folder: defaults, then the stored configuration.
struct Start {
  explicit Start(const std::string& home)
      : program(ParseStartupOptions({"tavel"}), home), form(program) {
    SetDefaultFormSettings(form.settingsWidgets());
    conf = ConfLoad(home);
    ConfApply(form.settingsWidgets(), *conf.store);
  }
  void quit(const std::string& home) {
    ConfStoreWindow(form.settingsWidgets(), *conf.store, conf.columns.get());
    ASSERT_LE(ConfSaveFile(*conf.store, home), 0);
  }
  TavelProgram program;
  TForm1 form;
  ConfLoadResult conf;
};

}  // namespace

TEST_F(FillOptionsPanel, TheFourthChoiceAndTheVerifySwitchReachTheRun) {
  // The three choices keep their places; the new one comes after them, in both groups.
  for (RadioGroup* g : {form.rg1Exists, form.rg2Exists}) {
    ASSERT_EQ(g->count(), 4);
    EXPECT_EQ(g->items().at(0), "Заменить");
    EXPECT_EQ(g->items().at(2), "Записать с новым именем");
    EXPECT_EQ(g->items().at(3), "Пропустить одинаковые");
  }
  EXPECT_EQ(form.cbVerify->text(), "Проверять копии");
  EXPECT_EQ(form.cbVerify->parentWidget(), form.paDest);  // stored with the destination
  EXPECT_FALSE(form.cbVerify->isChecked());

  // Offered for copy and move, not for delete.
  EXPECT_FALSE(form.cbVerify->isHidden());
  panel.SelectAction(actMove);
  EXPECT_FALSE(form.paDest->isHidden());
  panel.SelectAction(actDelete);
  EXPECT_TRUE(form.paDest->isHidden());

  panel.SelectAction(actCopy);
  form.cbDest->setEditText("/media/stick");
  EXPECT_FALSE(panel.Parameters().verifyCopies);
  form.rg1Exists->button(existsSkipSame)->click();
  form.rg2Exists->button(existsSkipSame)->click();
  form.cbVerify->click();
  const OperationParameters p = panel.Parameters();
  EXPECT_EQ(p.ifExistsCopy, existsSkipSame);
  EXPECT_EQ(p.ifExistsMove, existsSkipSame);
  EXPECT_TRUE(p.verifyCopies);
  EXPECT_EQ(ValidateOperation(p), 0);
}

TEST(FillOptionsConfiguration, TheOptionsAreStoredAndAnOlderFileReadsWithTheDefaults) {
  TempDir home;
  {
    Start s(home.str());
    EXPECT_FALSE(s.form.cbVerify->isChecked());
    EXPECT_EQ(s.form.rg1Exists->itemIndex(), existsRename);
    s.form.rg1Exists->setItemIndex(existsSkipSame);
    s.form.rg2Exists->setItemIndex(existsSkipSame);
    s.form.cbVerify->setChecked(true);
    s.quit(home.str());
  }
  {
    Start s(home.str());
    EXPECT_EQ(s.form.rg1Exists->itemIndex(), existsSkipSame);
    EXPECT_EQ(s.form.rg2Exists->itemIndex(), existsSkipSame);
    EXPECT_TRUE(s.form.cbVerify->isChecked());
  }

  // A file from before the options: its choices read as they were, verifying stays off.
  {
    TkroObject old;
    old.SetTitle("K7D40 Configuration");
    old.System->WriteValue("version", KroValue(std::string("0.9.2")));
    old.System->WriteValue("Action/paCopy/rg1Exists", KroValue(existsSkip));
    old.System->WriteValue("Action/paDest/cbClearDest", KroValue(true));
    ASSERT_LE(old.SaveToFile((home / "conf5.kro").string(), 2), 0);
  }
  {
    Start s(home.str());
    EXPECT_EQ(s.form.rg1Exists->itemIndex(), existsSkip);
    EXPECT_TRUE(s.form.cbClearDest->isChecked());
    EXPECT_FALSE(s.form.cbVerify->isChecked());
  }

  // The other way round: a program that knows only three choices reads the new index as
  // out of range and keeps its own choice.
  ConfLoadResult conf = ConfLoad(home.str());
  conf.store->System->WriteValue("Action/paCopy/rg1Exists", KroValue(existsSkipSame));
  QWidget paCopy;
  paCopy.setObjectName("paCopy");
  auto* older = new RadioGroup(&paCopy);
  older->setObjectName("rg1Exists");
  older->setItems({"Заменить", "Пропустить", "Записать с новым именем"});
  older->setItemIndex(existsRename);
  EXPECT_EQ(LoadControlGroup(*conf.store, paCopy, "Action"), 0);
  EXPECT_EQ(older->itemIndex(), existsRename);
}
