#include "app/program.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QSessionManager>
#include <QThread>
#include <QTimer>
#include <cstring>
#include <iostream>

#include "app/about_window.h"
#include "app/add_folder_page.h"
#include "app/add_paths.h"
#include "app/configuration.h"
#include "app/data_folder.h"
#include "app/desktop_notifier.h"
#include "app/exception_handler.h"
#include "app/main_window.h"
#include "app/main_window_parts.h"
#include "app/os_text.h"
#include "app/program_version.h"
#include "app/progress_dialog.h"
#include "app/qt_message_box.h"
#include "app/settings_dialog.h"
#include "app/shutdown_signals.h"
#include "app/splash_window.h"
#include "app/text_ids.h"
#include "app/worklist_view.h"
#include "lang/lang.h"
#include "lang/message_box.h"
#include "operation/operation_engine.h"
#include "store/kro.h"
#include "store/kro_object.h"
#include "store/unreadable_file.h"
#include "worklist/playlist.h"

namespace {
const char* const kFullTimeFormat = "dd.mm.yyyy hh.nn:ss.zzz";
const char* const kShortTimeFormat = "nn:ss.zzz";
constexpr int kCountdownStepMs = 50;
}  // namespace

TavelProgram::TavelProgram(StartupOptions options, std::string dataFolder, AppServices services)
    : options_(std::move(options)),
      dataFolder_(StripTrailingSlashes(dataFolder)),
      logsFolder_(LogsFolderOf(dataFolder_)),
      dataFolderState_(PrepareDataFolder(dataFolder_)),
      services_(std::move(services)) {
  SetProgramLog(&log_);
  SetExceptionLogsFolder(logsFolder_);
}

TavelProgram::~TavelProgram() {
  signalWatcher_.reset();
  // Windows first: their handlers may still write to the log.
  mainWindow_.reset();
  splash_.reset();
  if (messageBox_ && CurrentMessageBox() == messageBox_.get()) SetMessageBox(nullptr);
  if (ProgramLog() == &log_) SetProgramLog(nullptr);
  SetExceptionLogsFolder(std::string());
}

std::string TavelProgram::storeModuleText() {
  const char* info = kro_GetModuleInfo();
  return info ? info : "";
}

void TavelProgram::openLog() {
  const std::string name = LogFileName(logsFolder_, std::string());
  if (options_.logs) {
    log_.LogOpen(name, lmRewrite, kFullTimeFormat);
    log_.flushEachLine = true;
  } else {
    log_.LogOpen(name, lmRewrite | lmDeferred, kFullTimeFormat);
    log_.flushEachLine = false;
  }
}

void TavelProgram::writeHeader() {
  log_.LogBlank();
  log_.LogWrite(kProgramTitle);
  log_.LogWrite(std::string("Logs > mailto:") + kSupportMail);
  log_.LogBlank();
  log_.timeFormat = kShortTimeFormat;
  log_.LogBlank();
  log_.LogWrite("OS:      " + GetOSText());
  log_.LogWrite("root:    " + dataFolder_);
  if (!dataFolderState_.usable())
    log_.LogWrite("root not writable, nothing will be kept: " +
                  (dataFolderState_.error ? std::string(std::strerror(dataFolderState_.error))
                                          : std::string("no folder")));
  log_.LogWrite("cmd:     " + options_.commandLine);
  log_.LogWrite("kro:     " + storeModuleText());
  log_.LogBlank();
  log_.LogWrite("Starting...");
  log_.LogBlank();
}

std::string TavelProgram::dataFolderProblemText() const {
  int reason = 0;
  switch (dataFolderState_.problem) {
    case DataFolderProblem::None:
      return std::string();
    case DataFolderProblem::NoFolder:
      return LangString(kTextNoDataFolder);
    case DataFolderProblem::NotAFolder:
      reason = kTextReasonFileInPlace;
      break;
    case DataFolderProblem::NoPermission:
      reason = kTextReasonNoPermission;
      break;
    case DataFolderProblem::ReadOnly:
      reason = kTextReasonReadOnly;
      break;
    case DataFolderProblem::Other:
      break;
  }
  const std::string why =
      reason ? LangString(reason)
             : LangFormat(kTextReasonError,
                          {TValue(std::string(std::strerror(dataFolderState_.error)))});
  return LangFormat(kTextDataFolderUnwritable, {TValue(dataFolder_), TValue(why)});
}

void TavelProgram::setSplashStatus(const QString& text) {
  if (splash_) splash_->SetStatus(text);
}

void TavelProgram::setApplicationTitle(const QString& title) {
  // What a task bar shows here is the main window's own title, which carries this same
  // text. It never becomes Qt's application display name: Qt would append that to the
  // title of every window.
  applicationTitle_ = title;
}

void TavelProgram::loadConfiguration() {
  ConfLoadResult conf = ConfLoad(dataFolder_);
  configuration_ = std::move(conf.store);
  listColumns_ = std::move(conf.columns);
}

TkroPlayList& TavelProgram::createWorkList() {
  workList_ = std::make_unique<TkroPlayList>();
  return *workList_;
}

std::string TavelProgram::workListFile() const {
  // Without a data folder nothing is read or written (not "/.worklist.kro").
  if (dataFolder_.empty()) return std::string();
  return dataFolder_ + "/" + kWorkListFileName;
}

void TavelProgram::loadWorkList() {
  if (!workList_) return;
  const std::string file = workListFile();
  try {
    workList_->LoadFromFile(file, kWorkListLoadMode);
  } catch (...) {
    KeepUnreadableAside(file, kroErrMemory);
    throw;
  }
}

void TavelProgram::updateCachedLinks() {
  if (!workList_) return;
  try {
    workList_->UpdateCachedLinks();
  } catch (...) {
    KeepUnreadableAside(workListFile(), kroErrMemory);
    throw;
  }
}

void TavelProgram::saveWorkList() {
  if (workList_) workList_->SaveToFile(workListFile(), kWorkListSaveMode);
}

std::int32_t TavelProgram::saveConfiguration() {
  return configuration_ ? ConfSaveFile(*configuration_, dataFolder_) : 0;
}

void TavelProgram::freeListColumns() {
  listColumns_.reset();
}

void TavelProgram::freeWorkList() {
  workList_.reset();
}

void TavelProgram::freeConfiguration() {
  configuration_.reset();
}

bool TavelProgram::configBool(const std::string& path, bool defaultValue) const {
  // Without a configuration store every value reads as its default.
  if (!configuration_) return defaultValue;
  return configuration_->System->ReadBool(path, defaultValue);
}

void TavelProgram::mainWindowClosed() {
  if (loop_) loop_->quit();
}

void TavelProgram::requestShutdown(const std::string& why) {
  if (shutdownRequested_) {
    log_.LogWrite("Closing already (" + why + ")");
    return;
  }
  shutdownRequested_ = true;
  log_.LogWrite("Closing: " + why);
  shutdownStep();
}

void TavelProgram::shutdownStep() {
  if (!mainWindow_ || mainWindow_->closed()) return;
  TOperationEngine* engine = progressDialog_ ? progressDialog_->engine() : nullptr;
  if (engine && engine->flags().running) {
    engine->CancelClicked();
  } else if (QWidget* modal = QApplication::activeModalWidget()) {
    modal->close();
  } else if (!loop_) {
    return;  // start-up goes on; run() closes the program once it is over
  } else if (QThread::currentThread()->loopLevel() <= 1) {
    // Only from the program's own message loop: code below a dialog's loop would go on
    // with a window whose objects are gone.
    mainWindow_->FormClose();
    mainWindow_->close();
    return;
  }
  QTimer::singleShot(shutdownRetryMs, mainWindow_.get(), [this] { shutdownStep(); });
}

void TavelProgram::splashCountdown() {
  QElapsedTimer timer;
  timer.start();
  setSplashStatus(QString());
  const qint64 total = options_.splashMs;
  for (;;) {
    const qint64 t = timer.elapsed();
    QThread::msleep(kCountdownStepMs);
    setSplashStatus(QString(SplashDots(t, total), QLatin1Char('.')));
    QApplication::processEvents();
    if (t >= total || shutdownRequested_) break;
  }
}

void TavelProgram::addStartupPaths() {
  if (!mainWindow_ || mainWindow_->closed()) return;
  MainWindowParts& parts = mainWindow_->parts();
  for (const std::string& missing : AddHandedPaths(parts.view, parts.addFolder, options_.paths)) {
    std::cerr << "tavel: not added, no such file or folder: " << missing << "\n";
    log_.LogWrite("not found: " + missing);
  }
}

int TavelProgram::run() {
  // 1-3: the log and its header.
  openLog();
  writeHeader();

  // Saves killed half-way (a crash, kill -9, a power cut) leave their temporaries beside
  // the files; those of processes that are gone are removed.
  if (!dataFolder_.empty()) {
    for (const std::string& file :
         {ConfFilePath(dataFolder_), dataFolder_ + "/" + kWorkListFileName}) {
      const std::int32_t removed = kro_dbRemoveStaleTemporaries(file);
      if (removed > 0)
        log_.LogWrite("Removed " + std::to_string(removed) + " left-over temporary file(s) of " +
                      file);
    }
  }

  // Signals and the end of the desktop session close the program as its window does.
  signalWatcher_ = std::make_unique<ShutdownSignalWatcher>(
      [this](int sig) { requestShutdown(ShutdownSignalName(sig)); });
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, signalWatcher_.get(),
                   [this](QSessionManager&) { requestShutdown("end of the desktop session"); });

  // 4: the splash.
  splash_ = std::make_unique<TForm5>();
  splash_->show();
  setSplashStatus(QString::fromStdString(LangString(kTextInitializing)));
  splash_->repaint();
  QApplication::processEvents();

  // 5: the application object.
  log_.LogWrite(".Initialize");
  QApplication::setApplicationName(QStringLiteral("tavel"));
  // The desktop entry's name lets the task bar match the window with tavel.desktop.
  QGuiApplication::setDesktopFileName(QStringLiteral("tavel"));
  QApplication::setWindowIcon(ProgramIcon());
  QApplication::setApplicationVersion(QString::fromLatin1(kProgramVersion));
  // The message loop ends when the main window has closed, not when the last window does
  // (the splash is hidden before the loop starts).
  const bool quitOnLastWindow = QApplication::quitOnLastWindowClosed();
  QApplication::setQuitOnLastWindowClosed(false);

  // 6: the main window, whose creation runs the start-up stages.
  log_.LogWrite(".CreateForm 1");
  setApplicationTitle(QString::fromLatin1(kProgramName));
  mainWindow_ = std::make_unique<TForm1>(*this);
  if (stageObserver_) mainWindow_->setStageObserver(stageObserver_);
  if (!CurrentMessageBox()) {
    messageBox_ = std::make_unique<QtMessageBox>(mainWindow_.get());
    SetMessageBox(messageBox_.get());
  }
  try {
    mainWindow_->FormCreate();
  } catch (...) {
    // Returns when the user chooses to go on: the program runs with what start-up reached.
    HandleUnexpectedException(mainWindow_.get());
  }

  // 7: the dialogs. An error here goes to the same handler as one in a start-up stage;
  // going on runs the program with the dialogs made so far.
  try {
    log_.LogWrite(".CreateForm 3");
    // The end of a run tells the desktop when the user is elsewhere; the bus is looked for
    // only then.
    RunEndServices runEnd;
    runEnd.notify = [](const std::string& summary, const std::string& body) {
      DesktopNotifier(QDBusConnection::sessionBus()).notify(summary, body);
    };
    // "Извлечь" and the question about a stick's own trash ask the drives the window lists.
    IDrives* drives = &mainWindow_->parts().drives;
    runEnd.isRemovable = [drives](const std::string& path) {
      return drives->isRemovable(QString::fromStdString(path));
    };
    runEnd.eject = [drives](const std::string& path,
                            std::function<void(const EjectOutcome&)> done) {
      const std::optional<Drive> drive = drives->driveOf(QString::fromStdString(path));
      if (!drive) {
        EjectResult none;
        none.outcome = EjectResult::NotADrive;
        done({false, none.reason()});
        return;
      }
      // The dialog puts the reason after its own "could not eject the device: ".
      drives->eject(drive->mountPoint, [done](const EjectResult& r) {
        done({r.ok(), r.reason()});
      });
    };
    progressDialog_ = new TForm3(mainWindow_.get(), std::move(runEnd));
    // The dialog's Log button flips the remembered "show the log panel" choice.
    progressDialog_->setLogSetting([this] { return configBool(kKeyProcessLog, false); },
                                   [this](bool on) {
                                     if (configuration_)
                                       configuration_->System->WriteValue(kKeyProcessLog,
                                                                          KroValue(on));
                                   });
    log_.LogWrite(".CreateForm 4");
    aboutWindow_ = new TForm4(mainWindow_.get());
    log_.LogWrite(".CreateForm 2");
    settingsDialog_ = new TForm2([this] { return configuration(); }, mainWindow_.get());
  } catch (...) {
    HandleUnexpectedException(mainWindow_.get());
  }

  // 8: the splash stays a while after the last window.
  log_.LogWrite(".Dots");
  splashCountdown();

  // 9: the message loop, until the main window has closed.
  log_.LogWrite(".Run");
  splash_->hide();
  if (!mainWindow_->closed() && shutdownRequested_) {
    mainWindow_->FormClose();
  } else if (!mainWindow_->closed()) {
    mainWindow_->show();
    loop_ = std::make_unique<QEventLoop>();
    if (!dataFolderState_.usable()) {
      // Told once, over the window, as soon as the program runs.
      QTimer::singleShot(0, loop_.get(), [this] {
        MessageRequest box;
        box.caption = kProgramName;
        box.text = dataFolderProblemText();
        box.icon = MsgIcon::Warning;
        ShowBox(box);
      });
    }
    // Paths given on the command line go into the list once the window is up, so that a
    // long folder scan shows its progress in the window.
    if (!options_.paths.empty()) QTimer::singleShot(0, loop_.get(), [this] { addStartupPaths(); });
    if (runningHook_) QTimer::singleShot(0, loop_.get(), runningHook_);
    loop_->exec();
    loop_.reset();
  }

  // 10: the end.
  log_.LogWrite(".END");
  log_.LogFlush(true, false);
  splash_.reset();
  QApplication::setQuitOnLastWindowClosed(quitOnLastWindow);
  return 0;
}
