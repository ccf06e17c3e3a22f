#include "app/main_window_parts.h"

#include <QDir>
#include <QTreeView>

#include "app/configuration.h"
#include "app/program.h"
#include "app/progress_dialog.h"
#include "app/radio_group.h"
#include "app/show_list_item.h"
#include "store/kro_object.h"
#include "winamp/winamp_import.h"
#include "winamp/winamp_window.h"
#include "winamp/wine_registry.h"

namespace {

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

LimitBar::Sources barSources(WorkListView& view, OperationPanel& operation, RadioGroup* action) {
  LimitBar::Sources s;
  s.limitBytes = [&operation] { return operation.limitBytes(); };
  s.busy = [&view] { return view.busy(); };
  s.action = [action] { return action->itemIndex(); };
  s.markedTotal = [&view] { return view.MarkedTotalBytes(); };
  return s;
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

MainWindowParts::MainWindowParts(const MainWindowControls& controls, TavelProgram& program)
    : view(controls.view, viewSources(program)),
      player(controls.player, view, program),
      operation(controls.operation, view, program, [this] { player.player().bipStopClick(); }),
      limitBar(controls.limitBar, barSources(view, operation, controls.operation.rgAction)),
      folderTree(FolderTreeModel::defaultRoots()),
      addFolder(controls.addFolder, view, &folderTree),
      commands(controls.commands, program, view, operation,
               {[this] { player.player().bipPlayClick(PlaySource::PlayButton); },
                winampImport(program, view)}),
      drives(DrivesService::busAddressFromEnvironment()),
      destinationDrives(&drives, controls.destination,
                        {[this] { operation.rgLimitClick(LimitSender::Button6); },
                         [this, p = &program] {
                           return view.busy() ||
                                  (p->progressDialog() && p->progressDialog()->isVisible());
                         }}),
      folderTreeDrives(drives, folderTree) {
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
    controls.addFolder.tree->expand(home);
    controls.addFolder.tree->scrollTo(home);
  }
}
