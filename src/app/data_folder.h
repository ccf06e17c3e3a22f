#pragma once
// Where the program keeps its data: the configuration store, the last work list and the
// Logs folder. By default under the user's data folder; beside the executable only for a
// portable install (a file named "portable" there, or the configuration an earlier run
// left there); $TAVEL_HOME overrides both. Plain C++, no Qt.
#include <string>

struct DataFolderInputs {
  std::string tavelHome;  // $TAVEL_HOME, names the folder outright when not empty
  std::string exeFolder;  // folder of the running executable
  // The executable's folder holds a file named "portable" or a conf5.kro.
  bool exeFolderPortable = false;
  std::string xdgDataHome;  // $XDG_DATA_HOME; used only when absolute
  std::string home;         // $HOME
};

// The data folder for these inputs, with every trailing '/' and '\' removed (a bare "/"
// stays "/"): TAVEL_HOME, else the executable's folder when it is portable, else
// $XDG_DATA_HOME/tavel, else $HOME/.local/share/tavel. Empty when none can be named (no
// TAVEL_HOME, no portable marker, no usable XDG_DATA_HOME and no HOME).
std::string ChooseDataFolder(const DataFolderInputs& in);

// The inputs of this process: environment, the executable's folder (from /proc/self/exe)
// and whether it marks a portable install.
DataFolderInputs CurrentDataFolderInputs();

// Why a data folder cannot keep the program's data.
enum class DataFolderProblem {
  None,
  NoFolder,      // no folder could be named at all
  NotAFolder,    // a file (or something else) stands where the folder or a parent should be
  NoPermission,  // the user may not create or write there
  ReadOnly,      // a read-only file system
  Other,         // any other error; `error` holds its errno
};
struct DataFolderState {
  DataFolderProblem problem = DataFolderProblem::None;
  int error = 0;  // errno of the failed step
  bool usable() const { return problem == DataFolderProblem::None; }
};

// Creates `folder` and its "Logs" subfolder when missing and makes sure a file can be
// created in each (a probe file is made and removed). Never throws.
DataFolderState PrepareDataFolder(const std::string& folder);
// PrepareDataFolder(folder).usable().
bool EnsureDataFolder(const std::string& folder);

// The name of the file that marks the executable's folder as a portable install.
constexpr const char* kPortableMarker = "portable";

// folder + "/Logs"
std::string LogsFolderOf(const std::string& folder);

// Removes every trailing '/' and '\' but keeps a lone root "/".
std::string StripTrailingSlashes(const std::string& path);
