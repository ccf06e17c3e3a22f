#pragma once
// The parts of the main window that give its controls their behaviour, built once, in the
// order they depend on each other, each with its collaborators and the controls it drives.
// The window holds one of these and frees it first, while the controls are still whole.
#include "app/add_folder_page.h"
#include "app/commands.h"
#include "app/destination_drives.h"
#include "app/folder_tree_drives.h"
#include "app/limit_bar.h"
#include "app/operation_panel.h"
#include "app/player_panel.h"
#include "app/worklist_view.h"
#include "drives/drives_service.h"

class TavelProgram;

// The controls each part drives, as the window hands them over.
struct MainWindowControls {
  WorkListView::Widgets view;
  PlayerPanel::Widgets player;
  OperationPanel::Widgets operation;
  LimitBar::Widgets limitBar;
  AddFolderPage::Widgets addFolder;
  Commands::Widgets commands;
  DestinationDrives::Widgets destination;
};

struct MainWindowParts {
  MainWindowParts(const MainWindowControls& controls, TavelProgram& program);
  MainWindowParts(const MainWindowParts&) = delete;
  MainWindowParts& operator=(const MainWindowParts&) = delete;

  WorkListView view;
  PlayerPanel player;
  OperationPanel operation;
  LimitBar limitBar;
  FolderTreeModel folderTree;
  AddFolderPage addFolder;
  Commands commands;
  // Removable drives: offered by the destination drop-down, shown in the folder tree.
  DrivesService drives;
  DestinationDrives destinationDrives;
  FolderTreeDrives folderTreeDrives;
};
