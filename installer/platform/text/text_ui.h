// The terminal front end: the progress window is one line, the dialogs are questions answered
// line by line on standard input. The end of the input answers キャンセル.
#pragma once

#include <chrono>
#include <cstdio>

#include "installer/platform/installer_ui.h"
#include "installer/platform/thread_message_queue.h"

namespace platform {

class TextUi : public InstallerUi {
 public:
  // `in` may be null for a front end that never asks (see UnattendedUi).
  TextUi(std::FILE* in, std::FILE* out);

  // Quiet: nothing but errors (the stop and exclamation boxes) and the questions themselves.
  void set_quiet(bool quiet) { quiet_ = quiet; }

  MessageQueue& queue() override { return queue_; }
  bool create_window(const std::string& caption) override;
  void set_caption(const std::string& caption) override;
  void show_window() override;
  void set_status(const std::string& text) override;
  void set_progress(uint32_t percent) override;
  void set_transfer(uint64_t done, uint64_t total) override;
  void destroy_window() override;
  bool install_form(InstallForm& form, const std::function<bool(const std::string&)>& accept) override;
  bool cabinet_form(CabinetForm& form, const std::function<bool(const std::string&)>& accept) override;
  int overwrite_question(const std::string& caption, const std::string& message) override;
  void message_box(const std::string& text, uint32_t style) override;
  bool ask_yes_no(const std::string& caption, const std::string& message, bool default_yes) override;
  bool open_document(const std::string& path) override;

 protected:
  std::FILE* out() const { return out_; }
  bool quiet() const { return quiet_; }
  void end_progress_line();

 private:
  bool read_line(std::string& line);  // false at the end of the input
  // Asks until the answer is one of `choices` (lower case); the empty line gives `empty`.
  // 0 at the end of the input.
  char ask_choice(const std::string& prompt, const std::string& choices, char empty);
  bool ask_option(OptionBox& box);
  void print_progress();
  std::string terminal_line() const;

  std::FILE* in_;
  std::FILE* out_;
  bool terminal_;
  bool input_terminal_;
  ThreadMessageQueue queue_;
  std::string caption_;
  std::string status_;
  uint32_t percent_ = 0;
  bool shown_ = false;
  bool line_open_ = false;  // a progress line waits for its end on a terminal
  bool quiet_ = false;
  uint64_t done_ = 0;
  uint64_t total_ = 0;
  std::chrono::steady_clock::time_point started_{};
};

}  // namespace platform
