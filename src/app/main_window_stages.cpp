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

#include "app/configuration.h"
#include "app/configuration_controls.h"
#include "app/gradient_panel.h"
#include "app/load_language.h"
#include "app/main_window.h"
#include "app/main_window_parts.h"
#include "app/program.h"
#include "app/program_version.h"
#include "app/text_ids.h"
#include "app/worklist_model.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "store/kro_object.h"
#include "winamp/wine_registry.h"
#include "worklist/playlist.h"

namespace {
// Restoring the action goes through the operation panel, which lays its groups out.
ConfApplyHooks confApplyHooks(OperationPanel& panel) {
  ConfApplyHooks h;
  h.SelectAction = [&panel](int index) { panel.SelectAction(index); };
  h.UpdateActionPanels = [&panel] { panel.UpdateActionPanels(); };
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
  if (program_.configBool(kKeyRememberWorklist, true)) {
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
  LoadLanguage(languageWidgets());
}

void TForm1::stageSetDefaultFormSettings() {
  stage("  SetDefaultFormSettings");
  SetDefaultFormSettings(settingsWidgets());
  parts_->player.SetTimeFormatMilliseconds();
}

void TForm1::stageConfLoad() {
  stage("  ConfLoad");
  program_.loadConfiguration();
}

void TForm1::stageCreateWorkList() {
  stage("  TkroPlayList.Create");
  program_.createWorkList();
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
}

void TForm1::stageConfApply() {
  stage("  ConfApply");
  if (TkroObject* conf = program_.configuration())
    ConfApply(settingsWidgets(), *conf, confApplyHooks(parts_->operation));
}

void TForm1::stageListReformat() {
  stage("  ListReformat");
  parts_->view.ListReformat(-1);
}

void TForm1::stageLoadWorkList() {
  stage("  L.LoadFromFile");
  program_.setSplashStatus(QString::fromStdString(LangString(kTextLoadingList)));
  program_.loadWorkList();
}

void TForm1::stageUpdateCachedLinks() {
  stage("  L.UpdateCachedLinks");
  program_.updateCachedLinks();
}

void TForm1::stageListFullUpdate() {
  stage("  ListFullUpdate");
  program_.setSplashStatus(QString::fromStdString(LangString(kTextShowingList)));
  parts_->view.ListFullUpdate();
  program_.setSplashStatus(QString::fromStdString(LangString(kTextInitializing)));
}

void TForm1::stageLocateWinamp() {
  stage("  WAloc:");
  // Found anew on every start, so a moved or removed Winamp is noticed; the line below shows
  // the value as stored (empty when none was found).
  const std::string found = WinampFolderFromRegistry();
  std::string location;
  if (TkroObject* conf = program_.configuration()) {
    conf->System->WriteValue(kKeyWinampLocation, KroValue(found));
    location = conf->System->ReadString(kKeyWinampLocation, std::string());
  }
  stage("    " + location);
}

void TForm1::stageRefresh() {
  stage("  Refresh");
  // The bulk list change of the start-up ends here: drawing resumed, limit bar computed,
  // status bar cleared. Then the tree's first node takes the focus and its pages show.
  parts_->view.EndListWork("");
  parts_->commands.RefreshNavigation();
}

// ---- exit --------------------------------------------------------------------------------

bool TForm1::FormCloseQuery() {
  if (!program_.configBool(kKeyExitConfirm, true)) return true;
  MessageRequest box;
  box.caption = kProgramName;
  box.text = LangString(kTextQuitQuestion);
  box.icon = MsgIcon::Question;
  box.buttons = mbYesNo;
  box.ownedByMainWindow = true;
  return ShowBox(box) == MsgResult::Yes;
}

void TForm1::FormClose() {
  program_.log().LogBlank();
  stage("FormClose()");
  const bool remember = program_.configBool(kKeyRememberWorklist, true);
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
  if (TkroPlayList* list = program_.workList()) list->ListSaveMarks(parts_->view);
}

void TForm1::stageSaveWorkList() {
  stage("  SaveToFile");
  program_.saveWorkList();
}

void TForm1::stageConfSave() {
  stage(" ConfSave");
  if (TkroObject* conf = program_.configuration()) {
    ConfStoreWindow(settingsWidgets(), *conf, program_.listColumns());
    program_.saveConfiguration();
  }
}

void TForm1::stageClearDesktop() {
  stage(" Clear desktop");
  List0->setUpdatesEnabled(false);
  listModel_->clear();
  List0->setUpdatesEnabled(true);
}

void TForm1::stageVarsDestroy() {
  stage(" Vars destroy");
  program_.freeListColumns();
}

void TForm1::stageDestroyWorkList() {
  stage(" L.Destroy");
  program_.freeWorkList();
}

void TForm1::stageDestroyConfiguration() {
  stage(" C.Destroy");
  program_.freeConfiguration();
}

void TForm1::stageCloseEnd() {
  stage(" END");
}
