#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "app/configuration.h"
#include "app/settings_dialog.h"
#include "store/kro_object.h"

namespace {

struct SettingsDialog : ::testing::Test {
  TkroObject conf;
  TForm2 dialog{[this] { return &conf; }};
  bool stored(const char* key) { return conf.System->ReadBool(key, true); }
  std::vector<QCheckBox*> options() {
    return {dialog.CheckBox1, dialog.CheckBox2, dialog.CheckBox3,
            dialog.CheckBox7, dialog.CheckBox8, dialog.CheckBox9};
  }
};

TEST_F(SettingsDialog, FreshConfigurationShowsEveryOptionOnAndThreeStayDisabled) {
  for (QCheckBox* c : options()) c->setChecked(false);
  dialog.show();
  for (QCheckBox* c : options()) {
    EXPECT_TRUE(c->isChecked()) << c->objectName().toStdString();
    EXPECT_TRUE(c->isEnabled());
  }
  for (QCheckBox* c : {dialog.CheckBox4, dialog.CheckBox5, dialog.CheckBox6}) {
    EXPECT_FALSE(c->isEnabled());
    QTest::mouseClick(c, Qt::LeftButton);
    EXPECT_FALSE(c->isChecked());
  }
  // Showing writes nothing.
  EXPECT_FALSE(conf.System->ReadBool(kKeyExitConfirm, false));
  dialog.reject();
}

TEST_F(SettingsDialog, OkWritesAllFiveAndTheNextShowingReadsThem) {
  dialog.show();
  dialog.CheckBox2->setChecked(false);
  dialog.CheckBox8->setChecked(false);
  dialog.CheckBox9->setChecked(false);
  QTest::mouseClick(dialog.Button1, Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(stored(kKeyExitConfirm));
  EXPECT_FALSE(stored(kKeyIgnoreReadOnly));
  EXPECT_FALSE(stored(kKeyReadExtendedTags));
  EXPECT_TRUE(stored(kKeyRememberWorklist));
  EXPECT_TRUE(conf.System->ReadBool(kKeyPlayByPlaylist, false));
  EXPECT_TRUE(conf.System->ReadBool(kKeyPlayerUpdateList, false));

  // Changed behind the dialog's back: the next showing reads the store again.
  conf.System->WriteValue(kKeyPlayerUpdateList, KroValue(false));
  dialog.show();
  EXPECT_FALSE(dialog.CheckBox2->isChecked());
  EXPECT_FALSE(dialog.CheckBox7->isChecked());
  EXPECT_FALSE(dialog.CheckBox9->isChecked());
  EXPECT_TRUE(dialog.CheckBox3->isChecked());
  dialog.reject();
}

TEST_F(SettingsDialog, CancelOrClosingDiscardsTheChanges) {
  dialog.show();
  dialog.CheckBox1->setChecked(false);
  QTest::mouseClick(dialog.Button2, Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_TRUE(stored(kKeyRememberWorklist));
  EXPECT_FALSE(conf.System->ReadBool(kKeyRememberWorklist, false));

  dialog.show();
  EXPECT_TRUE(dialog.CheckBox1->isChecked());
  dialog.CheckBox3->setChecked(false);
  dialog.close();
  EXPECT_TRUE(stored(kKeyPlayByPlaylist));

  // Without a configuration store the options read as on and Ok writes nothing.
  TForm2 alone([] { return static_cast<TkroObject*>(nullptr); });
  alone.show();
  EXPECT_TRUE(alone.CheckBox2->isChecked());
  alone.CheckBox2->setChecked(false);
  QTest::mouseClick(alone.Button1, Qt::LeftButton);
  EXPECT_FALSE(alone.isVisible());
}

}  // namespace
