#pragma once
// The main window: navigation tree and edit pages on the left, the work list and the
// operation panel in the centre, the status bar below. It also runs the program's start-up
// stages (FormCreate), the exit question (FormCloseQuery) and the shutdown stages
// (FormClose); those live in main_window_stages.cpp.
//
// Controls are public, under the names the rest of the program knows them by, so the
// code that gives them behaviour can reach them the way the windows' own handlers do.
// The controls' classes come along, so code that works on the public controls needs no
// includes of its own for them.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QString>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>

#include "app/gradient_panel.h"
#include "app/radio_group.h"
#include "app/widget_tags.h"

class QFileSystemModel;
class TavelProgram;
class WorkListModel;
struct FormSettingsWidgets;
struct LanguageWidgets;
struct MainWindowControls;
struct MainWindowParts;

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(TavelProgram& program, QWidget* parent = nullptr);
  ~TForm1() override;

  TavelProgram& program() { return program_; }
  // The parts that give the controls below their behaviour (list view, player, operation
  // panel, limit bar, add-folder page, commands), made with the window.
  MainWindowParts& parts() { return *parts_; }

  // The controls as each part, the string table and the stored settings know them.
  MainWindowControls partControls();
  LanguageWidgets languageWidgets();
  FormSettingsWidgets settingsWidgets();

  // Start-up stages, in their fixed order; each writes its log line first. An exception
  // escaping a stage ends FormCreate there and reaches the caller.
  void FormCreate();
  // True when the window may close: asks the exit question when the configuration says so.
  bool FormCloseQuery();
  // Shutdown stages, in their fixed order.
  void FormClose();
  // True once FormClose has run.
  bool closed() const { return closed_; }

  // Called with each stage's log line right after it is written; tests use it to follow or
  // break the start-up and shutdown.
  void setStageObserver(std::function<void(const std::string&)> observer) {
    stageObserver_ = std::move(observer);
  }

  // The three panels of the status bar: 0 status text, 1 counts (60 px, right-aligned),
  // 2 the rest.
  QLabel* statusPanel(int i) const { return statusPanels_.at(static_cast<std::size_t>(i)); }
  WorkListModel* listModel() const { return listModel_; }

  // ---- left side -----------------------------------------------------------------------
  QSplitter* spMain;          // left side | centre
  QWidget* pLeft;             // the whole left side; its width is stored
  QSplitter* spLeft;          // navigation panel over the edit pages
  QWidget* pNav;              // the navigation panel; its height is stored
  QLabel* JvNavPanelHeader1;  // header of the tree
  QTreeWidget* NavTree;       // nodes authored with their command number as text
  QTabWidget* pcEdits;        // 0 tsE1, 1 tsE2, 2 tsE3 (unused), 3 tsDummy
  QWidget* tsE1;              // player and quick start
  QWidget* tsE2;              // add a folder
  QWidget* tsE3;              // keeps tsDummy at index 3; never shown
  QWidget* tsDummy;           // empty page

  // player group on tsE1
  QGroupBox* gbPlayer;
  QLabel* ipTime;
  QLabel* ipTitle;
  QSlider* ipPos;
  QToolButton* bipPrev;
  QToolButton* bipPlay;
  QToolButton* bipPause;
  QToolButton* bipStop;
  QToolButton* bipNext;
  QTimer* ipTimer1;  // seek, 600 ms
  QTimer* ipTimer2;  // display, 300 ms
  QGroupBox* gbQuickStart;
  QPushButton* Button8;

  // add-folder page tsE2
  QTreeView* STV1;
  QFileSystemModel* stv1Model;
  QWidget* pAFOptions;
  QComboBox* cbFoldersHistory;
  QCheckBox* cbAFShowOptions;  // hidden: holds whether the options group shows
  QGroupBox* gbAFOptions;
  QCheckBox* CheckBox1;  // add subfolders
  QCheckBox* cbAFGetID3v1;
  QCheckBox* cbAFChecked;
  QCheckBox* cbAFbyMask;
  QComboBox* cbMask1;
  QPushButton* Button7;  // options on/off
  QPushButton* Button1;  // add

  // ---- centre --------------------------------------------------------------------------
  QTabWidget* pcCenter;  // 0 tsList, 1 tsAction
  QWidget* tsList;
  QLabel* JvPanel4;
  QTreeView* List0;
  QFrame* gr0;
  GradientPanel* gr1;
  GradientPanel* gr2;
  QLabel* lLimit;
  QTimer* UpdateLimBarTimer;  // 500 ms, stopped at start

  QWidget* tsAction;
  QLabel* JvPanel3;
  QGroupBox* paAction;
  RadioGroup* rgAction;
  QPushButton* Start;
  QGroupBox* paDest;
  QComboBox* cbDest;
  QPushButton* Button9;
  RadioGroup* rgLimit;
  QPushButton* Button6;
  QComboBox* cbLimit;
  QLabel* Label3;  // megabyte unit beside cbLimit
  QLabel* Label6;  // the computed limit
  QCheckBox* cbClearDest;
  QCheckBox* cbVerify;  // read every copy back from the medium
  QCheckBox* cbDevPlaylist;  // write a playlist onto the destination, named by edDevPlaylist
  QLineEdit* edDevPlaylist;
  QGroupBox* paCopy;
  RadioGroup* rg1Exists;
  QGroupBox* paMove;
  RadioGroup* rg2Exists;
  QCheckBox* cbRemEmpty2;
  QGroupBox* paDelete;
  QCheckBox* cbDelToTrash;
  QCheckBox* cbRemEmpty1;
  QWidget* pa2;  // right column
  QGroupBox* paRename;
  QCheckBox* cbRenameEnable;
  QCheckBox* cb11;
  QCheckBox* cb14;
  QCheckBox* cb13;
  QCheckBox* cb12;
  QCheckBox* cb15;
  RadioGroup* rg3;
  QGroupBox* paFolders;
  QLabel* Label5;
  QComboBox* cbFolders;
  QLabel* Label4;
  QComboBox* cbCustomFC;

  // ---- bottom and hidden ---------------------------------------------------------------
  QStatusBar* StatusBar1;
  QMenu* plMenu;
  QLineEdit* DummyLock;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // building (main_window.cpp)
  QWidget* buildLeftSide();
  QWidget* buildPlayerPage();
  QWidget* buildAddFolderPage();
  QWidget* buildListPage();
  QWidget* buildActionPage();
  void buildNavTree();
  void buildMenu();
  void buildStatusBar();
  void layoutStatusPanels();

  // start-up stages (main_window_stages.cpp)
  void stage(const std::string& line);
  void stageLoadLanguage();
  void stageSetDefaultFormSettings();
  void stageConfLoad();
  void stageCreateWorkList();
  void stageRefreshInterface();
  void stageConfApply();
  void stageListReformat();
  void stageLoadWorkList();
  void stageUpdateCachedLinks();
  void stageListFullUpdate();
  void stageLocateWinamp();
  void stageRefresh();
  // shutdown stages
  void stageRememberWorklist(bool remember);
  void stageListSaveMarks();
  void stageSaveWorkList();
  void stageConfSave();
  void stageClearDesktop();
  void stageVarsDestroy();
  void stageDestroyWorkList();
  void stageDestroyConfiguration();
  void stageCloseEnd();

  TavelProgram& program_;
  WorkListModel* listModel_;
  std::array<QLabel*, 3> statusPanels_{};
  std::function<void(const std::string&)> stageObserver_;
  bool closed_ = false;
  // Declared last, so it is freed first: its parts watch the controls above.
  std::unique_ptr<MainWindowParts> parts_;
};
