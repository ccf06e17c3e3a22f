#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "app/load_language.h"
#include "app/main_window.h"
#include "app/nav_commands.h"
#include "app/program.h"
#include "app/radio_group.h"
#include "app/widget_tags.h"
#include "lang/lang.h"
#include "test_support.h"

namespace {

QString text(int id) {
  return QString::fromStdString(LangString(id));
}

// The main window as it is authored, before start-up: its texts are then put back to
// placeholders so the test sees what LoadLanguage itself writes.
class MainWindowTexts : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSizeUnits();
    program = std::make_unique<TavelProgram>(StartupOptions{}, home.str());
    form = std::make_unique<TForm1>(*program);
    for (QTreeWidgetItemIterator it(form->NavTree); *it; ++it)
      (*it)->setText(0, QString::number((*it)->data(0, kNavCommandRole).toInt()));
    for (auto [command, authored] : {std::pair{4100, 81}, {1710, 170}, {1100, 42}, {8900, 79}})
      menuItem(command)->setText(QString::number(authored));
    form->JvNavPanelHeader1->setText("?");
    form->JvPanel4->setText("?");
    form->Start->setText("?");
    form->rgAction->setItems({"?"});
    form->cbFolders->clear();
    form->bipPlay->setToolTip("?");
    form->Button9->setToolTip("?");
  }
  void TearDown() override {
    form.reset();
    program.reset();
    ResetSizeUnits();
  }

  QTreeWidgetItem* node(int command) const {
    for (QTreeWidgetItemIterator it(form->NavTree); *it; ++it)
      if ((*it)->data(0, kNavCommandRole).toInt() == command) return *it;
    return nullptr;
  }
  QAction* menuItem(int command) const {
    for (QAction* a : form->findChildren<QAction*>())
      if (a->property("tag").toInt() == command) return a;
    return nullptr;
  }

  TempDir home;
  std::unique_ptr<TavelProgram> program;
  std::unique_ptr<TForm1> form;
};

}  // namespace

TEST_F(MainWindowTexts, NavigationTreeNodesGetTheirRowAndCaption) {
  LoadLanguage(form->languageWidgets());
  int nodes = 0;
  for (QTreeWidgetItemIterator it(form->NavTree); *it; ++it) {
    ++nodes;
    const int command = (*it)->data(0, kNavCommandRole).toInt();
    const int row = (*it)->data(0, Qt::UserRole).toInt();
    ASSERT_EQ(row, NavFindRow(command)) << command;
    EXPECT_EQ((*it)->text(0), text(NavCommandTable[row].text)) << command;
  }
  EXPECT_EQ(nodes, NavCommandCount - 2);  // every command but the two of the menu only
  EXPECT_EQ(node(1000)->text(0), "Список файлов");
  EXPECT_EQ(node(1140)->text(0), "Плейлист Winamp");
  EXPECT_EQ(node(9000)->text(0), "Выход");
}

TEST_F(MainWindowTexts, NodeWhoseTextIsNoCommandIsLeftAsItIs) {
  node(8900)->setText(0, "About");
  node(1500)->setText(0, "1500 ");
  LoadLanguage(form->languageWidgets());
  EXPECT_EQ(node(8900)->text(0), "About");
  EXPECT_FALSE(node(8900)->data(0, Qt::UserRole).isValid());
  EXPECT_EQ(node(1500)->text(0), "1500 ");
}

TEST_F(MainWindowTexts, MenuItemsFixedCaptionsItemListsAndHints) {
  menuItem(4200)->setText("Open");  // not a number: stays
  LoadLanguage(form->languageWidgets());
  EXPECT_EQ(menuItem(4100)->text(), "Воспроизвести");
  EXPECT_EQ(menuItem(4200)->text(), "Open");
  EXPECT_EQ(menuItem(1710)->text(), "Установить отметку");
  EXPECT_EQ(menuItem(1100)->text(), "Добавить");  // a submenu's own item
  EXPECT_EQ(menuItem(8900)->text(), "О программе");

  EXPECT_EQ(form->JvNavPanelHeader1->text(), text(30));
  EXPECT_EQ(form->JvPanel4->text(), text(31));
  EXPECT_EQ(form->JvPanel3->text(), text(32));
  EXPECT_EQ(form->Button9->toolTip(), text(234));
  EXPECT_EQ(form->rgAction->items(), QStringList({"Копировать", "Переместить", "Удалить"}));
  EXPECT_EQ(form->rgLimit->count(), 3);
  EXPECT_EQ(form->rg1Exists->items(), form->rg2Exists->items());
  EXPECT_EQ(form->rg2Exists->items().at(2), "Записать с новым именем");
  EXPECT_EQ(form->rg3->items().at(1), "Заменять на пробел");
  EXPECT_EQ(form->cbFolders->count(), 4);
  EXPECT_EQ(form->cbFolders->itemText(3), "Выбрать количество уровней");

  // Tagged controls, by their kind.
  EXPECT_EQ(form->Start->text(), "Начать");
  EXPECT_EQ(form->paAction->title(), "  Операция  ");
  EXPECT_EQ(form->gbPlayer->title(), "Плеер");  // the player's caption comes last, bare
  EXPECT_EQ(form->gbQuickStart->title(), "Быстрый запуск");
  EXPECT_EQ(form->bipPrev->toolTip(), "Предыдущий трек");
  EXPECT_EQ(form->bipPlay->toolTip(), "Начать воспроизведение");
  EXPECT_EQ(form->bipNext->toolTip(), "Следующий трек");
}

TEST_F(MainWindowTexts, DialogsAndSizeUnits) {
  EXPECT_EQ(SizeToText(2048), "2 KB");
  LoadLanguage(form->languageWidgets());
  EXPECT_EQ(SizeToText(5), "5 ");
  EXPECT_EQ(SizeToText(2000), "2 КБ");

  QFileDialog* open = MainWindowFileDialog(*form, kOpenPlaylistDialogName);
  QFileDialog* files = MainWindowFileDialog(*form, kOpenFilesDialogName);
  QFileDialog* save = MainWindowFileDialog(*form, kSavePlaylistDialogName);
  EXPECT_EQ(open->windowTitle(), "Добавить плейлист");
  EXPECT_EQ(files->windowTitle(), "Добавить файлы");
  EXPECT_EQ(save->windowTitle(), "Сохранить плейлист");
  EXPECT_EQ(open->nameFilters(), QStringList({"Плейлист m3u (*.m3u)", "Все файлы (*)"}));
  EXPECT_EQ(files->nameFilters(),
            QStringList({"Аудиофайлы (*.mp3 *.flac *.ogg *.oga *.opus *.m4a *.aac *.wma *.wav "
                         "*.ape *.wv *.mpc)",
                         "Все файлы (*)"}));
  EXPECT_EQ(save->nameFilters(), open->nameFilters());
  // Running it again reuses the same dialogs.
  LoadLanguage(form->languageWidgets());
  EXPECT_EQ(form->findChildren<QFileDialog*>().size(), 3);
}

TEST(DialogNameFilters, PairsBecomeQtFilters) {
  EXPECT_EQ(DialogNameFilters("Text (*.txt)|*.txt"), QStringList({"Text (*.txt)"}));
  EXPECT_EQ(DialogNameFilters("Audio|*.mp3;*.ogg|All|*.*"),
            QStringList({"Audio (*.mp3 *.ogg)", "All (*)"}));
  EXPECT_EQ(DialogNameFilters("Dangling"), QStringList());
  EXPECT_EQ(DialogNameFilters(""), QStringList());
}
