#pragma once
// The start of an operation, as the Start button and the quick-start button run it. The
// window side hands in what the engine cannot reach itself: the player, the panel's two
// histories, the marks of the list view, the progress dialog and the list refresh.
#include <functional>
#include <string>

#include "operation/operation_parameters.h"

struct StartOperationHooks {
  std::function<void()> stopPlayer;
  // Remember a text in the history of the manual limit or of the destination.
  std::function<void(const std::string&)> rememberLimitText;
  std::function<void(const std::string&)> rememberDestination;
  // Copies the rows' check boxes and selection into the entries' flags.
  std::function<void()> listSaveMarks;
  // Shows the progress dialog modally; the run happens inside it.
  std::function<void()> runProgressDialog;
  // A bulk change of the list view with a status text, the refresh of every row from its
  // entry, and the end of the bulk change.
  std::function<void(const std::string&)> beginListWork;
  std::function<void()> refreshRows;
  std::function<void()> endListWork;
};

// ValidateOperation; a refusal is shown in the error box "Ошибка введенных данных" with the
// message of its id. The id, 0 when the parameters are complete.
int RefuseInvalidOperation(const OperationParameters& params);

// Validates, and when the parameters are complete runs the steps above in order. Returns
// the id of the message shown when the parameters were refused, 0 when the operation ran.
int StartClick(const OperationParameters& params, const StartOperationHooks& hooks);
