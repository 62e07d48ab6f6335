#include "installer/platform/text/text_ui.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

#include "common/text/printable_name.h"
#include "installer/platform/process.h"
#include "installer/platform/special_folders.h"
#include "installer/platform/text/progress_line.h"

namespace platform {

namespace {

// "~" and "~/..." mean the home folder, as a shell would read them.
std::string expand_home(const std::string& typed) {
  if (typed != "~" && !typed.starts_with("~/")) return typed;
  std::optional<std::string> home = environment("HOME");
  return home && !home->empty() ? *home + typed.substr(1) : typed;
}

}  // namespace

TextUi::TextUi(std::FILE* in, std::FILE* out)
    : in_(in), out_(out), terminal_(isatty(fileno(out)) == 1), input_terminal_(in && isatty(fileno(in)) == 1) {}

namespace {

// Columns of the terminal, less one so that a full line never wraps.
size_t terminal_columns(std::FILE* out) {
  winsize size{};
  if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 1) return size_t(size.ws_col) - 1;
  return 79;
}

}  // namespace

bool TextUi::read_line(std::string& line) {
  line.clear();
  if (!in_) return false;
  std::fflush(out_);
  int c;
  while ((c = std::fgetc(in_)) != EOF && c != '\n') line += char(c);
  if (c == EOF && line.empty()) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  // Answers from a script are not echoed by a terminal: show them, so the log reads as a dialog.
  if (!input_terminal_) std::fprintf(out_, "%s\n", line.c_str());
  return true;
}

char TextUi::ask_choice(const std::string& prompt, const std::string& choices, char empty) {
  std::string line;
  for (;;) {
    std::fprintf(out_, "%s", prompt.c_str());
    if (!read_line(line)) {
      std::fprintf(out_, "\n");
      return 0;
    }
    if (line.empty() && empty) return empty;
    if (line.size() == 1) {
      char c = char(std::tolower(static_cast<unsigned char>(line[0])));
      if (choices.find(c) != std::string::npos) return c;
    }
  }
}

bool TextUi::create_window(const std::string& caption) {
  caption_ = caption;
  return true;
}

void TextUi::set_caption(const std::string& caption) { caption_ = caption; }

void TextUi::show_window() {
  if (shown_) return;
  shown_ = true;
  started_ = std::chrono::steady_clock::now();  // the worker starts right after
  if (quiet_) return;
  std::fprintf(out_, "%s\n", caption_.c_str());
  std::fflush(out_);
}

std::string TextUi::terminal_line() const {
  TransferView view;
  view.percent = percent_;
  view.done = done_;
  view.total = total_;
  view.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  view.name = status_;
  return format_progress_line(view, terminal_columns(out_));
}

void TextUi::print_progress() {
  if (!shown_ || quiet_) return;
  if (terminal_) {
    std::fprintf(out_, "\r\033[K%s", terminal_line().c_str());
    line_open_ = true;
  } else {
    std::fprintf(out_, "%s  %u%%\n", status_.c_str(), percent_);
  }
  std::fflush(out_);
}

void TextUi::end_progress_line() {
  if (!line_open_) return;
  std::fprintf(out_, "\n");
  line_open_ = false;
}

void TextUi::set_status(const std::string& text) {
  status_ = printable_name(text);  // a file's name, from the package
  print_progress();
}

void TextUi::set_transfer(uint64_t done, uint64_t total) {
  done_ = done;
  total_ = total;
}

void TextUi::set_progress(uint32_t percent) {
  percent_ = std::min(percent, 100u);  // the bar holds at its end
  print_progress();
}

void TextUi::destroy_window() {
  end_progress_line();
  std::fflush(out_);
}

bool TextUi::ask_option(OptionBox& box) {
  const char* mark = box.checked ? "[x]" : "[ ]";
  if (!box.enabled) {
    std::fprintf(out_, "%s %s\n", mark, box.label.c_str());
    return true;
  }
  std::string prompt = std::string(mark) + " " + box.label + " (y/n): ";
  char answer = ask_choice(prompt, "yn", box.checked ? 'y' : 'n');
  if (!answer) return false;
  box.checked = answer == 'y';
  return true;
}

bool TextUi::install_form(InstallForm& form, const std::function<bool(const std::string&)>& accept) {
  std::fprintf(out_, "%s\n%s [%s]: ", form.caption.c_str(), form.destination_label.c_str(),
               form.destination.c_str());
  std::string line;
  if (!read_line(line)) {
    std::fprintf(out_, "\n");
    return false;
  }
  if (!line.empty()) form.destination = expand_home(line);
  for (OptionBox& box : form.boxes)
    if (!ask_option(box)) return false;
  return ask_choice("OK / キャンセル (y/n): ", "yn", 'y') == 'y' && accept(form.destination);
}

bool TextUi::cabinet_form(CabinetForm& form, const std::function<bool(const std::string&)>& accept) {
  end_progress_line();
  std::fprintf(out_, "%s\n", form.caption.c_str());
  for (;;) {
    std::fprintf(out_, "%s [%s]: ", printable_name(form.label).c_str(), printable_name(form.folder).c_str());
    std::string line;
    if (!read_line(line) || line.empty()) {
      std::fprintf(out_, "\n");
      return false;
    }
    form.folder = line;
    if (accept(line)) return true;
  }
}

int TextUi::overwrite_question(const std::string& caption, const std::string& message) {
  end_progress_line();
  std::fprintf(out_, "%s\n%s\n", caption.c_str(), printable_name(message).c_str());
  char answer = ask_choice(
      "はい(&Y) / すべて上書き(&A) / いいえ(&N) / すべていいえ(&S) / キャンセル (y/a/n/s/c): ", "yansc",
      'y');
  switch (answer) {
    case 'y': return ANSWER_YES;
    case 'a': return ANSWER_YES_TO_ALL;
    case 'n': return ANSWER_NO;
    case 's': return ANSWER_NO_TO_ALL;
    default: return ANSWER_CANCEL;
  }
}

void TextUi::message_box(const std::string& text, uint32_t style) {
  if (quiet_ && style == MB_ICON_INFORMATION) return;
  end_progress_line();
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
}

bool TextUi::ask_yes_no(const std::string& caption, const std::string& message, bool default_yes) {
  end_progress_line();
  std::fprintf(out_, "%s\n%s\n", caption.c_str(), message.c_str());
  return ask_choice("はい(&Y) / いいえ(&N) (y/n): ", "yn", default_yes ? 'y' : 'n') == 'y';
}

bool TextUi::open_document(const std::string& path) { return open_with_default_application(path); }

}  // namespace platform
