#pragma once
// Records every box the code under test shows and answers each with a preset result.
#include <vector>

#include "lang/message_box.h"

class FakeMessageBox : public IMessageBox {
 public:
  FakeMessageBox() { SetMessageBox(this); }
  ~FakeMessageBox() override { SetMessageBox(nullptr); }
  MsgResult show(const MessageRequest& request) override {
    shown.push_back(request);
    return answer;
  }
  std::vector<MessageRequest> shown;
  MsgResult answer = MsgResult::Ok;
};
