#pragma once
// The one way the program asks the user a modal question or shows an error box. The
// window layer installs an implementation over QMessageBox; tests install a fake that
// records each box and answers it. Nothing here depends on widgets.
#include <string>

enum class MsgIcon { None, Information, Warning, Error, Question };

// Buttons, combinable.
constexpr int mbOK = 1;
constexpr int mbYes = 2;
constexpr int mbNo = 4;
constexpr int mbCancel = 8;
constexpr int mbYesNo = mbYes | mbNo;

enum class MsgResult { Ok, Yes, No, Cancel };

struct MessageRequest {
  std::string caption;
  std::string text;
  MsgIcon icon = MsgIcon::None;
  int buttons = mbOK;
  // True for a box owned by the main window; false for one without owner (the
  // unexpected-error box, which must show even when the main window is gone).
  bool ownedByMainWindow = true;
};

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  virtual MsgResult show(const MessageRequest& request) = 0;
};

// Installed by the program's owner at start-up (and by tests). Until one is installed,
// boxes are not shown and answer as if closed: No for a question, Ok otherwise.
void SetMessageBox(IMessageBox* box);
IMessageBox* CurrentMessageBox();
MsgResult ShowBox(const MessageRequest& request);
