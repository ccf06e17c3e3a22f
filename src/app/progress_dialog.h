#pragma once
// The progress dialog of an operation: stage header, two bars (the whole run and the
// current file), transfer figures, the current file, an optional log panel, and the
// Cancel/Close, Skip and Log buttons. The dialog shows what the operation engine tells it
// (IProgressDisplay) and hands the buttons to the engine while the engine pumps messages.
//
// A run may report thousands of files a second; drawing each report would make the copy
// wait for the window. The bars, figures, current file and new log lines are therefore
// only kept when reported and put on screen at most kRedrawMs apart (and whenever the run
// stops to ask something or ends), each time from the latest state; new log lines go to
// the log in one batch per redraw with one scroll to its end. Window messages are run at
// most kPumpMs apart, so Cancel and Skip still act within that time plus one copy chunk.
//
// The dialog can be made larger; the extra room goes to the log, whose lines can be
// selected and copied. At the end of a copy or move it offers to open the destination and,
// on a removable drive, to eject that drive; when the user was elsewhere it tells the
// desktop how the run ended.
#include <QDialog>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "lang/message_box.h"
#include "operation/operation_engine.h"
#include "operation/progress_display.h"

class QAction;
class QFrame;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QSpacerItem;

// How an eject ended: ok, or the reason in words (which program holds the drive, when
// that is known).
struct EjectOutcome {
  bool ok = false;
  std::string reason;
};

// What the dialog may use besides the engine. Every member may be left unset: then the
// dialog does without it (no eject offered, no notification) or uses the desktop's own
// (the folder opened through QDesktopServices, the program's activity from Qt).
struct RunEndServices {
  // Whether path lies on a removable drive (a stick, a music player).
  std::function<bool(const std::string& path)> isRemovable;
  // Unmounts and powers off the drive holding path, then calls done once with the outcome
  // (possibly before it returns).
  std::function<void(const std::string& path, std::function<void(const EjectOutcome&)> done)> eject;
  // Opens a folder in the file manager; false when it could not.
  std::function<bool(const std::string& folder)> openFolder;
  // Tells the desktop how a run ended (a desktop notification).
  std::function<void(const std::string& summary, const std::string& body)> notify;
  // Whether one of the program's windows has the user's attention.
  std::function<bool()> programActive;
};

class TForm3 : public QDialog, public IProgressDisplay {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr, RunEndServices services = {});
  ~TForm3() override;

  // Runs one operation modally: the run starts as soon as the dialog is active, and the
  // dialog then stays open with its final headers until the user closes it. The list and
  // rows must outlive the call.
  void RunModal(TkroPlayList& list, const IListRows& rows, const OperationParameters& params,
                bool ignoreReadOnly);

  // Where the log panel switch ("Process/log") is kept. Until set, the dialog keeps it
  // itself (default off).
  void setLogSetting(std::function<bool()> read, std::function<void(bool)> write);

  // Milliseconds of a steady clock; the default counts from the dialog's creation. Tests
  // put their own in place to drive the redraw and message rates.
  void setClock(std::function<std::int64_t()> nowMs);
  static constexpr std::int64_t kRedrawMs = 50;
  static constexpr std::int64_t kPumpMs = 20;
  // Puts everything reported since the last redraw on screen now.
  void showPending();

  // Escape and the window's close button act as Cancel while a run is going on.
  void reject() override;

  // Log panel, height and the two buttons, by the run state.
  void UpdateDialogControls();
  // The engine of the current run (null between runs).
  TOperationEngine* engine() const { return engine_.get(); }

  // IProgressDisplay
  void showHeader(const std::string& text) override;
  void addLogLine(const std::string& text, bool withTime) override;
  void appendToLastLogLine(const std::string& text) override;
  void clearLog() override;
  void setBars(int overall, int file) override;
  void setFigures(const ProgressFigures& figures) override;
  void setCurrentFile(const std::string& path) override;
  void updateControls(const RunFlags& flags) override;
  void pumpMessages() override;
  bool askYesNo(const std::string& caption, const std::string& text) override;
  Answer askYesNoCancel(const std::string& caption, const std::string& text) override;
  void showError(const std::string& caption, const std::string& text) override;
  // Opens the log panel for the rest of this run without changing the stored switch.
  void openLogPanel() override;

  // Client sizes at the start, and the least the dialog can be made: 539 wide; 337 high
  // with the log panel, 218 without. Without the log the height stays 218; with it the
  // dialog may grow, and the log takes all of the growth.
  static constexpr int kClientWidth = 539;
  static constexpr int kHeightWithLog = 337;
  static constexpr int kHeightWithoutLog = 218;

  // Shows or hides Label1, Bevel1 and lbLog and sets the height to match (with the log,
  // the height the user last gave it).
  void setLogPanelVisible(bool on);
  bool logPanelVisible() const;

  // The selected log lines, top to bottom, one per line, to the clipboard.
  void copySelectedLogLines();

  QLabel* l1;         // stage header, bold
  QProgressBar* pb1;  // whole run, 0..1000
  QProgressBar* pb2;  // current file, 0..1000
  QLabel* Label7;     // work done (and elapsed time), left of the bars
  QLabel* Label6;     // work of the run (and estimated total time), right of the bars
  QLabel* Label3;     // overall percentage
  QLabel* Label5;     // transfer speed
  QLabel* Label4;     // estimated remaining time
  QLabel* Label2;     // current file, word-wrapped
  QLabel* Label1;     // caption of the log panel
  QFrame* Bevel1;
  QListWidget* lbLog;
  QPushButton* Button1;  // Cancel while running, Close otherwise
  QPushButton* Button2;  // Skip
  QPushButton* Button3;  // Log on/off
  // Short captions of the figures: done, total, speed, remaining.
  QLabel* lDone;
  QLabel* lTotal;
  QLabel* lSpeed;
  QLabel* lRemaining;
  // Offered at the end of a copy or move: open the destination; eject its drive.
  QPushButton* btOpenFolder;
  QPushButton* btEject;
  QLabel* lEject;  // how the eject went
  QAction* acCopyLog;
  QAction* acSelectAllLog;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void activate();
  // The end buttons and the desktop notification, once a run has ended.
  void finishRun();
  void hideRunEnd();
  void openFolderClick();
  void ejectClick();
  void ejectDone(const EjectOutcome& outcome);
  void button1Click();
  void button2Click();
  void button3Click();
  bool logSwitch() const;
  MsgResult showBox(const std::string& caption, const std::string& text, MsgIcon icon, int buttons);

  std::unique_ptr<TOperationEngine> engine_;
  OperationParameters params_;
  bool ignoreReadOnly_ = true;
  bool pendingRun_ = false;
  RunFlags flags_;
  std::function<bool()> readLog_;
  std::function<void(bool)> writeLog_;
  bool ownLogSwitch_ = false;
  bool logOpenedByRun_ = false;
  RunEndServices services_;
  // The user cancelled this run: its speed and remaining time no longer say anything.
  bool cancelled_ = false;
  std::string endRoot_;  // the destination folder of the run that ended
  int runNumber_ = 0;    // which run an eject's late answer belongs to
  int logHeight_ = kHeightWithLog;
  QFrame* bevelLead_ = nullptr;  // the short line before the log's caption
  QSpacerItem* gap_ = nullptr;   // takes the spare height while the log is hidden

  // Reported and not yet on screen.
  struct Pending {
    std::optional<std::pair<int, int>> bars;
    std::optional<ProgressFigures> figures;
    std::optional<std::string> currentFile;
    QStringList lines;
  };
  Pending pending_;
  std::function<std::int64_t()> now_;
  std::int64_t lastRedraw_ = INT64_MIN / 2;
  std::int64_t lastPump_ = INT64_MIN / 2;
};
