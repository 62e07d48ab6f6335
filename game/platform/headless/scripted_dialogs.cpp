#include "game/platform/headless/scripted_dialogs.h"

namespace kv {

void ScriptedDialogs::Answer(int64_t at, std::optional<std::string> text) { answers_.push_back({at, std::move(text)}); }

std::string ScriptedDialogs::Wait(DialogShown& d) {
  d.opened = loop_.Now();
  std::string result;
  if (!answers_.empty()) {
    loop_.ModalRunUntil(answers_.front().at);
    result = answers_.front().text.value_or("");
    answers_.pop_front();
  } else if (loop_.InRun()) {
    loop_.ModalRunUntil(HeadlessLoop::kNever);  // ends the run from inside the box
  }
  d.closed = loop_.Now();
  d.answer = result;
  return result;
}

std::string ScriptedDialogs::InputBox(const std::string& prompt, const std::string& title) {
  DialogShown d{0, 0, "input", title, prompt, ""};
  std::string result = Wait(d);
  shown_.push_back(d);
  return result;
}

void ScriptedDialogs::MessageBox(const std::string& text, const std::string& title) {
  DialogShown d{0, 0, "message", title, text, ""};
  Wait(d);
  d.answer.clear();
  shown_.push_back(d);
}

}  // namespace kv
