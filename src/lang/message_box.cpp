#include "lang/message_box.h"

namespace {
IMessageBox* installed = nullptr;
}

void SetMessageBox(IMessageBox* box) {
  installed = box;
}
IMessageBox* CurrentMessageBox() {
  return installed;
}

MsgResult ShowBox(const MessageRequest& request) {
  if (installed) return installed->show(request);
  return (request.buttons & mbNo) ? MsgResult::No : MsgResult::Ok;
}
