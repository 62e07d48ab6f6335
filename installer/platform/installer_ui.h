// The installer's windows and dialogs. Every call comes from the window thread (the one that
// runs the queue's loop); the worker reaches the user only by sending messages to that thread.
// Texts are UTF-8 and used as they stand; "&" before a letter marks its mnemonic.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "installer/platform/message_queue.h"

namespace platform {

// Message box styles.
constexpr uint32_t MB_ICON_STOP = 0x10;         // stop icon, OK button
constexpr uint32_t MB_ICON_EXCLAMATION = 0x30;  // exclamation icon, OK button
constexpr uint32_t MB_ICON_INFORMATION = 0x40;  // information icon, OK button: not an error

// What the progress window posts to the queue.
constexpr uint32_t POSTED_CLOSE = 0x0010;    // its close box was pressed
constexpr uint32_t POSTED_COMMAND = 0x0111;  // a button was pressed; wparam: the button's id
constexpr uintptr_t ABORT_BUTTON_ID = 1000;

// Answers of the overwrite question: the pressed button's id.
constexpr int ANSWER_CANCEL = 2;
constexpr int ANSWER_YES = 6;
constexpr int ANSWER_NO = 7;
constexpr int ANSWER_YES_TO_ALL = 1002;
constexpr int ANSWER_NO_TO_ALL = 1003;

struct OptionBox {
  std::string label;
  bool enabled = false;  // greyed when false
  bool checked = false;
};

// The install dialog's contents; the form changes destination and the boxes' checked states.
struct InstallForm {
  std::string caption;
  std::string destination_label;
  std::string destination;
  std::string browse_title;  // caption of the folder chooser
  OptionBox boxes[3];
};

// The next-cabinet prompt: the form keeps asking until `accept` takes the folder or the user
// cancels.
struct CabinetForm {
  std::string caption;
  std::string label;
  std::string folder;
  std::string cabinet_name;  // the one file the file chooser lists
};

class InstallerUi {
 public:
  virtual ~InstallerUi() = default;

  virtual MessageQueue& queue() = 0;

  // The progress window: created hidden with a caption, a status line, a 0 to 100 bar and the
  // abort button, which posts WM_COMMAND with id 1000; its close box posts WM_CLOSE.
  virtual bool create_window(const std::string& caption) = 0;
  virtual void set_caption(const std::string& caption) = 0;
  virtual void show_window() = 0;
  virtual void set_status(const std::string& text) = 0;
  virtual void set_progress(uint32_t percent) = 0;
  // The bytes behind the percent, told just before set_progress; a front end may show them.
  virtual void set_transfer(uint64_t /*done*/, uint64_t /*total*/) {}
  virtual void destroy_window() = 0;

  // Modal dialogs. install_form: OK hands the destination to `accept` while the dialog is still
  // open, so that a message box it shows stands over the dialog; true when OK was accepted,
  // false when cancelled or refused. cabinet_form: true when a folder was accepted.
  virtual bool install_form(InstallForm& form, const std::function<bool(const std::string& destination)>& accept) = 0;
  virtual bool cabinet_form(CabinetForm& form,
                            const std::function<bool(const std::string& folder)>& accept) = 0;
  // One of the ANSWER_* ids; anything else means the question could not be shown.
  virtual int overwrite_question(const std::string& caption, const std::string& message) = 0;
  virtual void message_box(const std::string& text, uint32_t style) = 0;
  // A question with はい and いいえ; `default_yes` names the default button.
  virtual bool ask_yes_no(const std::string& caption, const std::string& message, bool default_yes) = 0;

  // Opens a document the desktop's way; false when it cannot.
  virtual bool open_document(const std::string& path) = 0;
};

}  // namespace platform
