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

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class RadioGroup;
class TavelProgram;
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
  // Runs the operation modally in the progress dialog.
  using ProgressRunner = std::function<void(const OperationParameters&)>;

  // The controls the panel drives, under the names the stored settings know them by.
  struct Widgets {
    QWidget* window = nullptr;  // parent of the folder picker
    RadioGroup* rgAction = nullptr;
    QPushButton* Start = nullptr;
    QPushButton* Button8 = nullptr;  // quick start on the player page
    QGroupBox* paDest = nullptr;
    QComboBox* cbDest = nullptr;
    QPushButton* Button9 = nullptr;
    RadioGroup* rgLimit = nullptr;
    QPushButton* Button6 = nullptr;
    QComboBox* cbLimit = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label6 = nullptr;
    QCheckBox* cbClearDest = nullptr;
    QCheckBox* cbVerify = nullptr;
    QCheckBox* cbDevPlaylist = nullptr;  // write a playlist onto the destination ...
    QLineEdit* edDevPlaylist = nullptr;  // ... under this name
    QGroupBox* paCopy = nullptr;
    RadioGroup* rg1Exists = nullptr;
    QGroupBox* paMove = nullptr;
    RadioGroup* rg2Exists = nullptr;
    QGroupBox* paDelete = nullptr;
    QCheckBox* cbDelToTrash = nullptr;
    QWidget* pa2 = nullptr;
    QCheckBox* cbRenameEnable = nullptr;
    QCheckBox* cb11 = nullptr;
    QCheckBox* cb12 = nullptr;
    QCheckBox* cb13 = nullptr;
    QCheckBox* cb14 = nullptr;
    QCheckBox* cb15 = nullptr;
    RadioGroup* rg3 = nullptr;
    QGroupBox* paFolders = nullptr;
    QLabel* Label4 = nullptr;
    QComboBox* cbFolders = nullptr;
    QComboBox* cbCustomFC = nullptr;
  };

  // `program` gives the progress dialog, the work list and the settings a run reads, and
  // the desktop's folder picker;
  // `stopPlayer` stops the preview before a run starts.
  OperationPanel(Widgets widgets, WorkListView& view, TavelProgram& program,
                 std::function<void()> stopPlayer, QObject* parent = nullptr);

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
  // The size limit in force, in bytes, as the last computation left it; 0 or less means no
  // limit.
  std::int64_t limitBytes() const { return limitBytes_; }

 signals:
  // The limit was computed anew (the bar under the list shows it against the ticked total).
  void limitChanged();

 public:
  // Replaced by tests; the default is the program's progress dialog.
  void setProgressRunner(ProgressRunner runner) { runner_ = std::move(runner); }

 private:
  void bind();
  void setStatus(const std::string& text);

  Widgets w_;
  WorkListView& view_;
  TavelProgram& program_;
  std::function<void()> stopPlayer_;
  ProgressRunner runner_;
  std::int64_t limitBytes_ = 0;
};
