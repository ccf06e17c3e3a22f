#pragma once
// The program's owner: it holds the program log, the data folder, the windows and the
// program-wide objects (configuration store, work list, the size limit), and runs the
// entry routine from opening the log to closing it. Windows get a reference to it; nothing
// reaches for these objects through globals (the log is also installed as the program log
// so that deep error reports can write to it).
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/app_services.h"
#include "app/data_folder.h"
#include "app/startup_options.h"
#include "logs/log.h"

class QEventLoop;
class QtMessageBox;
class ShutdownSignalWatcher;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TkroItem;
class TkroObject;
class TkroPlayList;

class TavelProgram {
 public:
  // `dataFolder` is where conf5.kro, .worklist.kro and Logs/ live; it and its Logs folder
  // are created when missing. When that fails or the folder cannot be written, the program
  // runs on without keeping anything and says so once in a box after start-up.
  // `services` is what the window's parts ask of the desktop (empty members: Qt's own).
  TavelProgram(StartupOptions options, std::string dataFolder, AppServices services = {});
  ~TavelProgram();
  TavelProgram(const TavelProgram&) = delete;
  TavelProgram& operator=(const TavelProgram&) = delete;

  // The entry routine: log, header, splash, windows, countdown, message loop, shutdown.
  // The application object must exist. Returns the process's exit code.
  int run();

  // Parts of run(), in their order; public so tests can drive start-up piece by piece.
  void openLog();
  void writeHeader();
  // Puts the command line's files and folders into the list (the message loop runs).
  void addStartupPaths();

  const StartupOptions& options() const { return options_; }
  const std::string& programFolder() const { return dataFolder_; }
  const std::string& logsFolder() const { return logsFolder_; }
  const DataFolderState& dataFolderState() const { return dataFolderState_; }
  // The text of the box that says the data folder cannot be written; empty when it can.
  std::string dataFolderProblemText() const;
  TLog& log() { return log_; }
  const AppServices& services() const { return services_; }

  TForm1* mainWindow() const { return mainWindow_.get(); }
  TForm3* progressDialog() const { return progressDialog_; }
  TForm4* aboutWindow() const { return aboutWindow_; }
  TForm2* settingsDialog() const { return settingsDialog_; }
  TForm5* splash() const { return splash_.get(); }

  // Sets the splash status (and lets pending messages run); nothing when there is no splash.
  void setSplashStatus(const QString& text);
  // The application's title: "Vo Tavel" at start, then the main window's caption. Task bars
  // on Linux show the main window's title, which holds the same text; it is kept here only
  // for what asks after it.
  void setApplicationTitle(const QString& title);
  QString applicationTitle() const { return applicationTitle_; }

  // A boolean of the configuration by its path ("Settings/Exit confirm"), `defaultValue`
  // when the value (or the whole configuration store) is missing.
  bool configBool(const std::string& path, bool defaultValue) const;

  // Program-wide objects. They exist from their start-up stage to their shutdown stage;
  // null outside that span.
  TkroObject* configuration() const { return configuration_.get(); }
  TkroPlayList* workList() const { return workList_.get(); }
  TkroItem* listColumns() const { return listColumns_.get(); }

  // Their life, step by step, as the main window's start-up and shutdown stages call for
  // it. Reading conf5.kro, or a fresh configuration when it is missing, unreadable or of a
  // discarded version; its list columns are found with it.
  void loadConfiguration();
  // The empty work list.
  TkroPlayList& createWorkList();
  // Reads .worklist.kro into the work list, then resolves its cached links. An unreadable
  // file is put aside before the error goes on: the run may go on (the user decides) and
  // its list would be saved over the file at exit. Nothing without a work list.
  void loadWorkList();
  void updateCachedLinks();
  // Writes .worklist.kro. The result is not checked: nothing is shown at exit, and a failed
  // save leaves the old file as it was.
  void saveWorkList();
  // Writes conf5.kro; returns the store's code (0 without a configuration).
  std::int32_t saveConfiguration();
  void freeListColumns();
  void freeWorkList();
  void freeConfiguration();

  // Called once the message loop runs (tests close the window from here).
  void setRunningHook(std::function<void()> hook) { runningHook_ = std::move(hook); }
  // Handed to the main window when it is created: called with each stage's log line.
  void setStageObserver(std::function<void(const std::string&)> observer) {
    stageObserver_ = std::move(observer);
  }
  // The main window has run its shutdown stages: the message loop ends.
  void mainWindowClosed();

  // Closes the program through its normal shutdown (list and configuration saved, the log
  // ended) without the exit question: for a signal or the end of the desktop session.
  // `why` goes into the log. A running operation is cancelled and open dialogs are closed
  // first; during start-up the program closes as soon as start-up is over.
  void requestShutdown(const std::string& why);
  bool shutdownRequested() const { return shutdownRequested_; }
  // How long a requested shutdown waits before it looks again whether the cancelled run has
  // ended and the dialogs have closed.
  int shutdownRetryMs = 100;

  // The "kro:" line of the log header: the store library's module text.
  static std::string storeModuleText();

 private:
  void splashCountdown();
  std::string workListFile() const;
  // One step towards the shutdown requestShutdown asked for; repeats itself by a timer until
  // nothing stands in the way.
  void shutdownStep();

  StartupOptions options_;
  std::string dataFolder_;
  std::string logsFolder_;
  DataFolderState dataFolderState_;
  TLog log_;
  AppServices services_;
  QString applicationTitle_;

  std::unique_ptr<TForm5> splash_;
  std::unique_ptr<TForm1> mainWindow_;
  TForm3* progressDialog_ = nullptr;  // owned by the main window
  TForm4* aboutWindow_ = nullptr;
  TForm2* settingsDialog_ = nullptr;
  std::unique_ptr<QtMessageBox> messageBox_;
  std::unique_ptr<QEventLoop> loop_;
  std::function<void()> runningHook_;
  std::function<void(const std::string&)> stageObserver_;
  std::unique_ptr<ShutdownSignalWatcher> signalWatcher_;
  bool shutdownRequested_ = false;

  // Made by the start-up stages, freed by the shutdown stages, and freed here at the latest
  // when start-up or shutdown stopped half-way.
  std::unique_ptr<TkroObject> configuration_;
  std::unique_ptr<TkroPlayList> workList_;
  std::unique_ptr<TkroItem> listColumns_;
};
