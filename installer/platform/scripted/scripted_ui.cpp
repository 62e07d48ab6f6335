#include "installer/platform/scripted/scripted_ui.h"

namespace platform {

std::vector<std::string> ScriptedUi::events() const {
  std::lock_guard lock(mutex_);
  return events_;
}

void ScriptedUi::record(const std::string& event) {
  {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
  }
  if (on_event) on_event(*this, event);
}

bool ScriptedUi::create_window(const std::string& caption) {
  if (!window_creatable) return false;
  record("caption " + caption);
  return true;
}

void ScriptedUi::set_caption(const std::string& caption) { record("caption " + caption); }
void ScriptedUi::show_window() { record("show"); }
void ScriptedUi::set_status(const std::string& text) { record("status " + text); }
void ScriptedUi::set_progress(uint32_t percent) { record("progress " + std::to_string(percent)); }
void ScriptedUi::destroy_window() { record("destroy"); }

bool ScriptedUi::install_form(InstallForm& form, const std::function<bool(const std::string&)>& accept) {
  last_install_form = form;
  record("install " + form.caption);
  if (!install_answer || !install_answer->ok) return false;
  if (install_answer->destination) form.destination = *install_answer->destination;
  for (int i = 0; i < 3; ++i)
    if (install_answer->boxes[i] && form.boxes[i].enabled) form.boxes[i].checked = *install_answer->boxes[i];
  return accept(form.destination);
}

bool ScriptedUi::cabinet_form(CabinetForm& form, const std::function<bool(const std::string&)>& accept) {
  last_cabinet_form = form;
  record("cabinet " + form.label);
  while (!cabinet_folders.empty()) {
    std::string folder = cabinet_folders.front();
    cabinet_folders.pop_front();
    form.folder = folder;
    if (accept(folder)) return true;
  }
  return false;
}

int ScriptedUi::overwrite_question(const std::string& caption, const std::string& message) {
  record("overwrite " + message);
  (void)caption;
  if (overwrite_answers.empty()) return ANSWER_CANCEL;
  int answer = overwrite_answers.front();
  overwrite_answers.pop_front();
  return answer;
}

void ScriptedUi::message_box(const std::string& text, uint32_t style) {
  record("message " + text + " " + std::to_string(style));
}

bool ScriptedUi::ask_yes_no(const std::string& /*caption*/, const std::string& message, bool /*default_yes*/) {
  record("question " + message);
  if (yes_no_answers.empty()) return false;
  bool answer = yes_no_answers.front();
  yes_no_answers.pop_front();
  return answer;
}

bool ScriptedUi::open_document(const std::string& path) {
  record("open " + path);
  return true;
}

}  // namespace platform
