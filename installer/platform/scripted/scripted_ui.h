// A front end that answers from a script and records what it was asked to show, for tests.
#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "installer/platform/installer_ui.h"
#include "installer/platform/thread_message_queue.h"

namespace platform {

struct InstallAnswer {
  std::optional<std::string> destination;  // unset: keep the default
  std::optional<bool> boxes[3];            // unset: keep; only enabled boxes change
  bool ok = true;
};

class ScriptedUi : public InstallerUi {
 public:
  // The script. Questions beyond the script answer キャンセル.
  std::optional<InstallAnswer> install_answer;
  std::deque<int> overwrite_answers;
  std::deque<std::string> cabinet_folders;  // tried in turn until one is accepted
  std::deque<bool> yes_no_answers;
  bool window_creatable = true;
  // Called on the window thread after each recorded event, e.g. to press the abort button.
  std::function<void(ScriptedUi&, const std::string& event)> on_event;

  // What was shown, in order: "caption T", "show", "status N", "progress P", "overwrite M",
  // "cabinet L", "message T", "question M", "open P", "destroy".
  std::vector<std::string> events() const;
  InstallForm last_install_form;
  CabinetForm last_cabinet_form;

  MessageQueue& queue() override { return queue_; }
  bool create_window(const std::string& caption) override;
  void set_caption(const std::string& caption) override;
  void show_window() override;
  void set_status(const std::string& text) override;
  void set_progress(uint32_t percent) override;
  void destroy_window() override;
  bool install_form(InstallForm& form, const std::function<bool(const std::string&)>& accept) override;
  bool cabinet_form(CabinetForm& form, const std::function<bool(const std::string&)>& accept) override;
  int overwrite_question(const std::string& caption, const std::string& message) override;
  void message_box(const std::string& text, uint32_t style) override;
  bool ask_yes_no(const std::string& caption, const std::string& message, bool default_yes) override;
  bool open_document(const std::string& path) override;

 private:
  void record(const std::string& event);

  ThreadMessageQueue queue_;
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

}  // namespace platform
