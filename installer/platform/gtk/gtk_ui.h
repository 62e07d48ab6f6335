// The desktop front end on GTK 3: the progress window, the install, overwrite and next-cabinet
// dialogs and the message boxes, all on the thread that runs the queue's loop.
#pragma once

#include <gtk/gtk.h>

#include <memory>

#include "installer/platform/gtk/glib_message_queue.h"
#include "installer/platform/installer_ui.h"

namespace platform {

class GtkUi : public InstallerUi {
 public:
  // Null when no display can be opened.
  static std::unique_ptr<GtkUi> open();
  ~GtkUi() override;

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

  // The progress window while it exists, else null; dialogs take it as their owner.
  GtkWindow* main_window() const { return window_ ? GTK_WINDOW(window_) : nullptr; }

 private:
  GtkUi() = default;
  void place_below_pointer();

  GlibMessageQueue queue_;
  GtkWidget* window_ = nullptr;
  GtkWidget* status_ = nullptr;
  GtkWidget* bar_ = nullptr;
  GtkWindow* open_dialog_ = nullptr;  // the dialog whose button is being handled: boxes go over it
};

}  // namespace platform
