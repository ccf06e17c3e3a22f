#pragma once
// What the engine needs from the progress dialog: the stage header, the dialog's log,
// the bars and figures, a way to run pending window messages (so the dialog's buttons
// work during a long copy), and the run's questions and error boxes. The dialog
// implements it with widgets; tests implement it with a recording fake that can press
// Skip or Cancel from inside pumpMessages().
#include <string>

// The run state the dialog's buttons follow.
struct RunFlags {
  bool running = false;
  bool aborted = false;
  bool skipCurrent = false;
};

// The texts beside and under the bars. Each is shown as it stands (line breaks are
// CR LF).
struct ProgressFigures {
  std::string percent;    // Label3
  std::string speed;      // Label5
  std::string remaining;  // Label4
  std::string doneText;   // Label7, left of the bars
  std::string totalText;  // Label6, right of the bars
};

class IProgressDisplay {
 public:
  virtual ~IProgressDisplay() = default;

  // The header in bold (l1). Does not log and does not pump.
  virtual void showHeader(const std::string& text) = 0;
  // Adds one line to the dialog's log; with withTime the line gets the "[hh.nn:ss] "
  // prefix of TimePrefixedLine.
  virtual void addLogLine(const std::string& text, bool withTime) = 0;
  // Appends to the last line of the dialog's log (a new line when the log is empty).
  virtual void appendToLastLogLine(const std::string& text) = 0;
  // Clears the dialog's log.
  virtual void clearLog() = 0;
  // Positions 0 to 1000 of the overall bar (pb1) and the current file's bar (pb2).
  virtual void setBars(int overall, int file) = 0;
  virtual void setFigures(const ProgressFigures& figures) = 0;
  // The file being worked on (Label2); empty clears it.
  virtual void setCurrentFile(const std::string& path) = 0;
  // Button states and captions follow the run flags.
  virtual void updateControls(const RunFlags& flags) = 0;
  // Runs pending window messages; the Cancel and Skip buttons act only from here.
  virtual void pumpMessages() = 0;
  // A modal question with Yes and No and the warning icon; true for Yes.
  virtual bool askYesNo(const std::string& caption, const std::string& text) = 0;
  // A modal question with Yes, No and Cancel and the warning icon. A display that only
  // asks Yes or No takes No as Cancel.
  enum class Answer { Yes, No, Cancel };
  virtual Answer askYesNoCancel(const std::string& caption, const std::string& text) {
    return askYesNo(caption, text) ? Answer::Yes : Answer::Cancel;
  }
  // A modal error box with the error icon and OK.
  virtual void showError(const std::string& caption, const std::string& text) = 0;
  // Shows the log panel without the user asking (a run ended with failures). A display
  // without a log panel has nothing to open.
  virtual void openLogPanel() {}
};

// A display that shows nothing and answers every question with `answer`: for runs nobody
// watches (a preview, a benchmark). Subclasses override what they want to see.
class SilentProgressDisplay : public IProgressDisplay {
 public:
  explicit SilentProgressDisplay(bool answer) : answer_(answer) {}
  void showHeader(const std::string&) override {}
  void addLogLine(const std::string&, bool) override {}
  void appendToLastLogLine(const std::string&) override {}
  void clearLog() override {}
  void setBars(int, int) override {}
  void setFigures(const ProgressFigures&) override {}
  void setCurrentFile(const std::string&) override {}
  void updateControls(const RunFlags&) override {}
  void pumpMessages() override {}
  bool askYesNo(const std::string&, const std::string&) override { return answer_; }
  void showError(const std::string&, const std::string&) override {}

 private:
  bool answer_;
};

// "[" + local time as hh.nn:ss + "] " + text.
std::string TimePrefixedLine(const std::string& text);
