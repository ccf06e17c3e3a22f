#include "app/main_window_parts.h"

#include <QDir>

#include "app/configuration.h"
#include "app/main_window.h"
#include "app/program.h"
#include "app/show_list_item.h"
#include "store/kro_object.h"
#include "winamp/winamp_import.h"
#include "winamp/winamp_window.h"
#include "winamp/wine_registry.h"

namespace {

WorkListView::Widgets viewWidgets(TForm1& f) {
  WorkListView::Widgets w;
  w.list = f.List0;
  w.model = f.listModel();
  for (int i = 0; i < 3; ++i) w.panels[static_cast<std::size_t>(i)] = f.statusPanel(i);
  // The status bar stays live during long work (it shows the running count); everything
  // above it is frozen.
  w.mainWindow = f.centralWidget();
  w.dummyLock = f.DummyLock;
  return w;
}

// The view reads the program's configuration: the mode and the column objects of
// "Playlist/Columns".
WorkListView::Sources viewSources(TavelProgram& program) {
  TavelProgram* p = &program;
  WorkListView::Sources s;
  s.workList = [p] { return p->workList(); };
  s.mode = [p]() -> int {
    TkroObject* conf = p->configuration();
    return conf && conf->System ? conf->System->ReadInt(kKeyPlaylistMode, kDefaultPlaylistMode) : 1;
  };
  s.columns = [p]() -> std::optional<std::vector<ListColumnSpec>> {
    TkroObject* conf = p->configuration();
    if (!conf) return std::nullopt;
    return ReadListColumns(*conf, p->listColumns());
  };
  return s;
}

PlayerPanel::Widgets playerWidgets(TForm1& f) {
  return {&f,         f.ipTime,  f.ipTitle, f.ipPos,    f.bipPrev, f.bipPlay,
          f.bipPause, f.bipStop, f.bipNext, f.ipTimer1, f.ipTimer2};
}

OperationPanel::Widgets operationWidgets(TForm1& f) {
  OperationPanel::Widgets w;
  w.window = &f;
  w.rgAction = f.rgAction;
  w.Start = f.Start;
  w.Button8 = f.Button8;
  w.paDest = f.paDest;
  w.cbDest = f.cbDest;
  w.Button9 = f.Button9;
  w.rgLimit = f.rgLimit;
  w.Button6 = f.Button6;
  w.cbLimit = f.cbLimit;
  w.Label3 = f.Label3;
  w.Label6 = f.Label6;
  w.cbClearDest = f.cbClearDest;
  w.paCopy = f.paCopy;
  w.rg1Exists = f.rg1Exists;
  w.paMove = f.paMove;
  w.rg2Exists = f.rg2Exists;
  w.paDelete = f.paDelete;
  w.cbDelToTrash = f.cbDelToTrash;
  w.pa2 = f.pa2;
  w.cbRenameEnable = f.cbRenameEnable;
  w.cb11 = f.cb11;
  w.cb12 = f.cb12;
  w.cb13 = f.cb13;
  w.cb14 = f.cb14;
  w.cb15 = f.cb15;
  w.rg3 = f.rg3;
  w.paFolders = f.paFolders;
  w.Label4 = f.Label4;
  w.cbFolders = f.cbFolders;
  w.cbCustomFC = f.cbCustomFC;
  return w;
}

LimitBar::Sources barSources(WorkListView& view, OperationPanel& operation, RadioGroup* action) {
  LimitBar::Sources s;
  s.limitBytes = [&operation] { return operation.limitBytes(); };
  s.busy = [&view] { return view.busy(); };
  s.action = [action] { return action->itemIndex(); };
  s.markedTotal = [&view] { return view.MarkedTotalBytes(); };
  return s;
}

AddFolderPage::Widgets addFolderWidgets(TForm1& f) {
  AddFolderPage::Widgets w;
  w.page = f.tsE2;
  w.tree = f.STV1;
  w.folders = f.cbFoldersHistory;
  w.mask = f.cbMask1;
  w.subfolders = f.CheckBox1;
  w.id3 = f.cbAFGetID3v1;
  w.setMark = f.cbAFChecked;
  w.byMask = f.cbAFbyMask;
  w.showOptions = f.cbAFShowOptions;
  w.options = f.gbAFOptions;
  w.optionsPanel = f.pAFOptions;
  w.toggle = f.Button7;
  w.add = f.Button1;
  return w;
}

// Winamp's current playlist into the work list, each added row shown as it comes.
std::function<void(bool)> winampImport(TavelProgram& program, WorkListView& view) {
  return [&program, &view](bool replace) {
    NativeWinampWindow window;
    TkroObject* conf = program.configuration();
    const std::string location =
        conf ? conf->System->ReadString(kKeyWinampLocation, std::string()) : std::string();
    QTreeView* list = view.list();
    ImportWinampPlaylist({window, location, WinePrefix(), program.workList(), view, view,
                          view.adder(), [list, &view](int row) { ShowListItem(*list, view, row); }},
                         replace);
  };
}

}  // namespace

Commands::Widgets CommandWidgetsOf(TForm1& f) {
  return {&f, f.NavTree, f.JvNavPanelHeader1, f.pcEdits, f.pcCenter, f.List0, f.JvPanel4, f.plMenu};
}

MainWindowParts::MainWindowParts(TForm1& form, TavelProgram& program)
    : view(viewWidgets(form), viewSources(program)),
      player(playerWidgets(form), view, program),
      operation(operationWidgets(form), view, program, [this] { player.player().bipStopClick(); }),
      limitBar({form.gr0, form.gr1, form.gr2, form.lLimit, form.UpdateLimBarTimer},
               barSources(view, operation, form.rgAction)),
      folderTree(FolderTreeModel::defaultRoots()),
      addFolder(addFolderWidgets(form), view, &folderTree),
      commands(CommandWidgetsOf(form), program, view, operation,
               {[this] { player.player().bipPlayClick(PlaySource::PlayButton); },
                winampImport(program, view)}) {
  TavelProgram* p = &program;
  view.adder().setExtendedTags([p] {
    TkroObject* conf = p->configuration();
    return conf && conf->System ? conf->System->ReadBool(kKeyReadExtendedTags, true) : true;
  });
  QObject::connect(&view, &WorkListView::limitBarUpdateRequested, &limitBar,
                   &LimitBar::UpdateLimitBar);
  QObject::connect(&operation, &OperationPanel::limitChanged, &limitBar,
                   [this] { limitBar.UpdateLimitBar(true); });
  folderTree.setObjectName(QStringLiteral("STV1Folders"));
  // The folder tree opens at the home folder, as a file manager does.
  const QModelIndex home = folderTree.indexOfPath(QDir::homePath());
  if (home.isValid()) {
    form.STV1->expand(home);
    form.STV1->scrollTo(home);
  }
}
