#include "lang/messages.h"

#include "lang/lang.h"
#include "lang/message_box.h"
#include "logs/log.h"

namespace {
void errorBox(const std::string& caption, const std::string& text) {
  MessageRequest r;
  r.caption = caption;
  r.text = text;
  r.icon = MsgIcon::Error;
  r.buttons = mbOK;
  ShowBox(r);
}
}  // namespace

void BugFS(const std::string& text) {
  ProgramLogWrite("BugFS: " + text);
  errorBox("Vo Tavel", LangFormat(18, {text}));
}

void BugFS(const std::string& text, const TValues& values) {
  BugFS(text + "\r\n" + LangString(19) + " " + ValuesToText(values, " "));
}

void ShowMessageE(const std::string& text) {
  ProgramLogWrite("ShowMessageE: " + text);
  errorBox(LangString(450), text);
}

void ShowMessageE(int id) {
  ShowMessageE(LangString(id));
}

void LogValues(const TValues& values) {
  ProgramLogWrite(ValuesToText(values, " "));
}
