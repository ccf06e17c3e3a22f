// The main window's life cycle: the start-up stages run while the window is created, the
// exit question, and the shutdown stages. Each stage writes its fixed log line before it
// starts, so a log shows how far start-up or shutdown got; the stages are kept in the
// order below, which the rest of the program relies on (the configuration is loaded before
// the work list exists, the columns are built before rows are shown, and so on).
#include <QApplication>
#include <QLabel>
#include <QSlider>
#include <QTreeView>
#include <QTreeWidget>

#include "app/add_folder_page.h"
#include "app/commands.h"
#include "app/configuration.h"
#include "app/configuration_controls.h"
#include "app/gradient_panel.h"
#include "app/load_language.h"
#include "app/main_window.h"
#include "app/operation_panel.h"
#include "app/player_panel.h"
#include "app/program.h"
#include "app/program_version.h"
#include "app/show_list_item.h"
#include "app/worklist_model.h"
#include "app/worklist_view.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "store/unreadable_file.h"
#include "winamp/winamp_import.h"
#include "winamp/winamp_window.h"
#include "winamp/wine_registry.h"
#include "worklist/playlist.h"

namespace {
const char* const kExitConfirm = "Settings/Exit confirm";
const char* const kRememberWorklist = "Settings/Remember worklist";

std::string workListFile(const std::string& programFolder) {
  // Without a data folder nothing is read or written (not "/.worklist.kro").
  if (programFolder.empty()) return std::string();
  return programFolder + "/" + kWorkListFileName;
}

// Restoring the action goes through the operation panel, which lays its groups out.
ConfApplyHooks confApplyHooks(TForm1& form) {
  ConfApplyHooks h;
  h.SelectAction = [&form](int index) { OperationPanel::of(form).SelectAction(index); };
  h.UpdateActionPanels = [&form] { OperationPanel::of(form).UpdateActionPanels(); };
  return h;
}
}  // namespace

void TForm1::stage(const std::string& line) {
  program_.log().LogWrite(line);
  if (stageObserver_) stageObserver_(line);
}

// ---- start-up ----------------------------------------------------------------------------

void TForm1::FormCreate() {
  stage("FormCreate()");
  stageLoadLanguage();
  stageSetDefaultFormSettings();
  stageConfLoad();
  stageCreateWorkList();
  stageRefreshInterface();
  stageConfApply();
  stageListReformat();
  if (program_.configBool(kRememberWorklist, true)) {
    stageLoadWorkList();
    stageUpdateCachedLinks();
  }
  stageListFullUpdate();
  stageLocateWinamp();
  stageRefresh();
  stage("  END");
}

void TForm1::stageLoadLanguage() {
  stage("  LoadLanguage");
  LoadLanguage(*this);
}

void TForm1::stageSetDefaultFormSettings() {
  stage("  SetDefaultFormSettings");
  SetDefaultFormSettings(*this);
  PlayerPanel::of(*this).SetTimeFormatMilliseconds();
}

void TForm1::stageConfLoad() {
  stage("  ConfLoad");
  ConfLoadResult conf = ConfLoad(program_.programFolder());
  program_.configurationStore_ = std::move(conf.store);
  program_.listColumnsItem_ = std::move(conf.columns);
  program_.configuration_ = program_.configurationStore_.get();
  program_.listColumns_ = program_.listColumnsItem_.get();
}

void TForm1::stageCreateWorkList() {
  stage("  TkroPlayList.Create");
  program_.workListStore_ = std::make_unique<TkroPlayList>();
  program_.workList_ = program_.workListStore_.get();
}

void TForm1::stageRefreshInterface() {
  stage("  Refresh interface");
  gr1->setEndColor(QColor(115, 240, 115));
  gr2->setEndColor(QColor(187, 187, 187));
  const QString title = QString::fromLatin1(kProgramTitle);
  setWindowTitle(title);
  program_.setApplicationTitle(title);
  if (!ipTime->text().isEmpty()) ipTime->clear();
  if (!ipTitle->text().isEmpty()) ipTitle->clear();
  ipPos->setValue(0);
  ipPos->setMaximum(0);
  ipPos->setEnabled(false);
  for (int i = 0; i < 3; ++i) statusPanel(i)->clear();
  // The operation panel, the limit bar and the command dispatch take up their controls and
  // events here, before the stored settings lay the panel out.
  OperationPanel::of(*this);
  Commands::of(*this).setWinampImport([this](bool replace) {
    WorkListView& view = WorkListView::of(*this);
    NativeWinampWindow window;
    const std::string location =
        program_.configuration_
            ? program_.configuration_->System->ReadString(kKeyWinampLocation, std::string())
            : std::string();
    ImportWinampPlaylist(
        {window, location, WinePrefix(), program_.workList_, view, view, view.adder(),
         [this, &view](int row) { ShowListItem(*List0, view, row); }},
        replace);
  });
  PlayerPanel::of(*this).ConnectCommands();
}

void TForm1::stageConfApply() {
  stage("  ConfApply");
  if (program_.configuration_) ConfApply(*this, *program_.configuration_, confApplyHooks(*this));
}

void TForm1::stageListReformat() {
  stage("  ListReformat");
  // The view and the add-folder page take up their controls on first use.
  WorkListView& view = WorkListView::of(*this);
  AddFolderPage::of(*this);
  view.ListReformat(-1);
}

void TForm1::stageLoadWorkList() {
  stage("  L.LoadFromFile");
  program_.setSplashStatus(QString::fromStdString(LangString(11)));
  if (!program_.workList_) return;
  const std::string file = workListFile(program_.programFolder());
  try {
    program_.workList_->LoadFromFile(file, kWorkListLoadMode);
  } catch (...) {
    // The run may go on (the user decides), and its list would be saved over the file
    // at exit: the file is put aside first.
    KeepUnreadableAside(file, kroErrMemory);
    throw;
  }
}

void TForm1::stageUpdateCachedLinks() {
  stage("  L.UpdateCachedLinks");
  if (!program_.workList_) return;
  try {
    program_.workList_->UpdateCachedLinks();
  } catch (...) {
    KeepUnreadableAside(workListFile(program_.programFolder()), kroErrMemory);
    throw;
  }
}

void TForm1::stageListFullUpdate() {
  stage("  ListFullUpdate");
  program_.setSplashStatus(QString::fromStdString(LangString(12)));
  WorkListView::of(*this).ListFullUpdate();
  program_.setSplashStatus(QString::fromStdString(LangString(10)));
}

void TForm1::stageLocateWinamp() {
  stage("  WAloc:");
  // Found anew on every start, so a moved or removed Winamp is noticed; the line below shows
  // the value as stored (empty when none was found).
  const std::string found = WinampFolderFromRegistry();
  std::string location;
  if (program_.configuration_) {
    program_.configuration_->System->WriteValue(kKeyWinampLocation, KroValue(found));
    location = program_.configuration_->System->ReadString(kKeyWinampLocation, std::string());
  }
  stage("    " + location);
}

void TForm1::stageRefresh() {
  stage("  Refresh");
  // The bulk list change of the start-up ends here: drawing resumed, limit bar computed,
  // status bar cleared. Then the tree's first node takes the focus and its pages show.
  WorkListView::of(*this).EndListWork("");
  Commands::of(*this).RefreshNavigation();
}

// ---- exit --------------------------------------------------------------------------------

bool TForm1::FormCloseQuery() {
  if (!program_.configBool(kExitConfirm, true)) return true;
  MessageRequest box;
  box.caption = kProgramName;
  box.text = LangString(29);
  box.icon = MsgIcon::Question;
  box.buttons = mbYesNo;
  box.ownedByMainWindow = true;
  return ShowBox(box) == MsgResult::Yes;
}

void TForm1::FormClose() {
  program_.log().LogBlank();
  stage("FormClose()");
  const bool remember = program_.configBool(kRememberWorklist, true);
  stageRememberWorklist(remember);
  if (remember) {
    stageListSaveMarks();
    stageSaveWorkList();
  }
  stageConfSave();
  stageClearDesktop();
  stageVarsDestroy();
  stageDestroyWorkList();
  stageDestroyConfiguration();
  stageCloseEnd();
  closed_ = true;
  program_.mainWindowClosed();
}

void TForm1::stageRememberWorklist(bool) {
  stage(" Remember worklist");
}

void TForm1::stageListSaveMarks() {
  stage("  ListSaveMarks");
  if (program_.workList_) program_.workList_->ListSaveMarks(WorkListView::of(*this));
}

void TForm1::stageSaveWorkList() {
  stage("  SaveToFile");
  // The result is not checked: nothing is shown at exit, and a failed save leaves the old
  // file as it was.
  if (program_.workList_)
    program_.workList_->SaveToFile(workListFile(program_.programFolder()), kWorkListSaveMode);
}

void TForm1::stageConfSave() {
  stage(" ConfSave");
  if (program_.configuration_)
    ConfSave(*this, *program_.configuration_, program_.listColumns_, program_.programFolder());
}

void TForm1::stageClearDesktop() {
  stage(" Clear desktop");
  List0->setUpdatesEnabled(false);
  listModel_->clear();
  List0->setUpdatesEnabled(true);
}

void TForm1::stageVarsDestroy() {
  stage(" Vars destroy");
  program_.listColumns_ = nullptr;
  program_.listColumnsItem_.reset();
}

void TForm1::stageDestroyWorkList() {
  stage(" L.Destroy");
  program_.workList_ = nullptr;
  program_.workListStore_.reset();
}

void TForm1::stageDestroyConfiguration() {
  stage(" C.Destroy");
  program_.configuration_ = nullptr;
  program_.configurationStore_.reset();
}

void TForm1::stageCloseEnd() {
  stage(" END");
  program_.listColumns_ = nullptr;
  program_.workList_ = nullptr;
  program_.configuration_ = nullptr;
}
