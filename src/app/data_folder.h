#pragma once
// Where the program keeps its data: the configuration store, the last work list and the
// Logs folder. A portable build keeps them beside the executable; an installed one under
// the user's data folder. Plain C++, no Qt.
#include <string>

struct DataFolderInputs {
  std::string tavelHome;  // $TAVEL_HOME, names the folder outright when not empty
  std::string exeFolder;  // folder of the running executable
  bool exeFolderWritable = false;
  std::string xdgDataHome;  // $XDG_DATA_HOME; used only when absolute
  std::string home;         // $HOME
};

// The data folder for these inputs, with every trailing '/' and '\' removed (a bare "/"
// stays "/"). Empty when none can be named (no TAVEL_HOME, unwritable executable folder,
// no usable XDG_DATA_HOME and no HOME).
std::string ChooseDataFolder(const DataFolderInputs& in);

// The inputs of this process: environment, the executable's folder (from /proc/self/exe)
// and whether the user may write into it.
DataFolderInputs CurrentDataFolderInputs();

// Creates `folder` and its "Logs" subfolder when missing; false when either cannot be
// made. Never throws.
bool EnsureDataFolder(const std::string& folder);

// folder + "/Logs"
std::string LogsFolderOf(const std::string& folder);

// Removes every trailing '/' and '\' but keeps a lone root "/".
std::string StripTrailingSlashes(const std::string& path);
