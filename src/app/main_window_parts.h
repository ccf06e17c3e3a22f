#pragma once
// The parts of the main window that give its controls their behaviour, built once, in the
// order they depend on each other, each with its collaborators and the controls it drives.
// The window holds one of these and frees it first, while the controls are still whole.
#include "app/add_folder_page.h"
#include "app/commands.h"
#include "app/limit_bar.h"
#include "app/operation_panel.h"
#include "app/player_panel.h"
#include "app/worklist_view.h"

class TForm1;
class TavelProgram;

// The window's controls that the command dispatch drives (tests build a dispatch of their
// own over them).
Commands::Widgets CommandWidgetsOf(TForm1& form);

struct MainWindowParts {
  MainWindowParts(TForm1& form, TavelProgram& program);
  MainWindowParts(const MainWindowParts&) = delete;
  MainWindowParts& operator=(const MainWindowParts&) = delete;

  WorkListView view;
  PlayerPanel player;
  OperationPanel operation;
  LimitBar limitBar;
  FolderTreeModel folderTree;
  AddFolderPage addFolder;
  Commands commands;
};
