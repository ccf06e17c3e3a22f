#pragma once
// The operation panel of the main window (the "Настройка операции" page and the quick-start
// button): which groups show for which action, the rename and folder-layout controls
// following their switches, the size limit derived from the kind of limit, the
// destination picker, and the start of a run from Start or Button8.
//
// The volume is asked for its space only on an explicit refresh (Button6, a destination
// picked with Button9, a change of action, start-up): never on a click on the kinds of
// limit and never while the destination is typed, since asking a slow or absent volume
// would stall typing.
#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "operation/operation_parameters.h"

class LimitBar;
class TForm1;
class WorkListView;

// Who asked for the limit: a click on the kinds of limit, an edit of the manual text, or
// an explicit refresh (the only one that queries the volume).
enum class LimitSender { rgLimit, cbLimit, Button6 };

// The manual limit: the text read strictly as a signed decimal integer (spaces around it
// allowed, nothing else) times 1 000 000, in 64 bits. Anything else, and numbers outside
// the 32-bit range, give 0. "700 МБ" gives 0 although it passes the validation.
std::int64_t ManualLimitBytes(const std::string& text);

class OperationPanel : public QObject {
  Q_OBJECT
 public:
  // Asks for a folder with the given title; no value when the user cancelled.
  using FolderPicker = std::function<std::optional<std::string>(const std::string& title)>;
  // Runs the operation modally in the progress dialog.
  using ProgressRunner = std::function<void(const OperationParameters&)>;

  OperationPanel(TForm1& form, WorkListView& view, LimitBar& bar);

  // The panel of the main window, made on first use; binds its controls' events.
  static OperationPanel& of(TForm1& form);

  void SelectAction(int index);
  // rgAction clicked by the user.
  void rgActionClick();
  void UpdateActionPanels();
  void cbRenameEnableClick();
  void cbFoldersChange();
  void rgLimitClick(LimitSender sender);
  void Button9Click();
  // Start and Button8. Returns the id of the message that refused the start, 0 when the run
  // went ahead or when a list change still runs (nothing starts then).
  int StartClick();
  // Start and Button8 are enabled only while no list change runs (Button8 also needs an
  // action).
  void UpdateStartButtons();

  // The record as the controls hold it now, with the limit in force.
  OperationParameters Parameters() const;

  // Replaced by tests; the defaults are Qt's folder picker, the program's progress dialog
  // and nothing.
  void setFolderPicker(FolderPicker picker) { picker_ = std::move(picker); }
  void setProgressRunner(ProgressRunner runner) { runner_ = std::move(runner); }
  void setPlayerStop(std::function<void()> stop) { stopPlayer_ = std::move(stop); }

 private:
  void bind();
  void setStatus(const std::string& text);

  TForm1& form_;
  WorkListView& view_;
  LimitBar& bar_;
  FolderPicker picker_;
  ProgressRunner runner_;
  std::function<void()> stopPlayer_;
};
