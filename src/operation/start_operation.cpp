#include "operation/start_operation.h"

#include "lang/lang.h"
#include "lang/message_box.h"

namespace {
template <typename F, typename... Args>
void call(const F& f, Args&&... args) {
  if (f) f(std::forward<Args>(args)...);
}
}  // namespace

int RefuseInvalidOperation(const OperationParameters& params) {
  const int id = ValidateOperation(params);
  if (id != 0) {
    MessageRequest box;
    box.caption = LangString(318);
    box.text = LangString(id);
    box.icon = MsgIcon::Error;
    box.buttons = mbOK;
    ShowBox(box);
  }
  return id;
}

int StartClick(const OperationParameters& params, const StartOperationHooks& hooks) {
  if (const int id = RefuseInvalidOperation(params); id != 0) return id;
  call(hooks.stopPlayer);
  if (params.limitMode == limitManual) call(hooks.rememberLimitText, params.limitText);
  if (params.action == actCopy || params.action == actMove)
    call(hooks.rememberDestination, params.destination);
  call(hooks.listSaveMarks);
  call(hooks.runProgressDialog);
  call(hooks.beginListWork, LangString(140) + "...");
  call(hooks.listSaveMarks);
  call(hooks.refreshRows);
  call(hooks.endListWork);
  return 0;
}
