// Windows and dialogs built like the installer's templates: controls at fixed positions, in
// pixels for the progress window and in dialog units for the dialogs, where a unit is a
// quarter of the dialog font's average character width or an eighth of its height.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

namespace platform {

// The installer's look: a Japanese gothic at 9 points and compact controls. Once per display.
void install_installer_style();
// Gives a toplevel that look, a fixed size and a frame with a close box only.
void make_fixed_frame(GtkWidget* window);

// Runs `action` on a signal without arguments ("clicked", "toggled") while the instance lives.
void on_signal(gpointer instance, const char* signal, std::function<void()> action);

class ModalDialog {
 public:
  // A dialog of width x height units; Escape and the close box end it with `cancel_result`.
  ModalDialog(GtkWindow* owner, const std::string& caption, int width, int height, int cancel_result);
  ~ModalDialog();
  ModalDialog(const ModalDialog&) = delete;
  ModalDialog& operator=(const ModalDialog&) = delete;

  GtkWidget* add_label(const std::string& text, int x, int y, int width, int height);  // "&" marks
  GtkWidget* add_text(const std::string& text, int x, int y, int width, int height);   // as it stands
  GtkWidget* add_entry(const std::string& text, int x, int y, int width, int height);
  GtkWidget* add_button(const std::string& text, int x, int y, int width, int height);
  GtkWidget* add_check(const std::string& text, int x, int y, int width, int height);
  void end_on_click(GtkWidget* button, int result);
  void make_default(GtkWidget* button);  // Enter presses it
  void focus_at_start(GtkWidget* control);  // else the first control that takes the focus

  int run();  // shows the dialog and waits for its end
  void end(int result);
  GtkWindow* window() const { return GTK_WINDOW(window_); }

 private:
  void place(GtkWidget* control, int x, int y, int width, int height);
  int pixels_x(int units) const;
  int pixels_y(int units) const;

  GtkWidget* window_;
  GtkWidget* fixed_;
  GMainLoop* loop_;
  int base_width_ = 6;    // average character width of the dialog font
  int base_height_ = 13;  // its line height
  int result_;
  int cancel_result_;
  GtkWidget* first_focus_ = nullptr;
};

// Text of an entry as UTF-8.
std::string entry_text(GtkWidget* entry);

// A modal file chooser over `owner` with the installer's own button texts; the chosen path, or
// empty when cancelled. `filter` (may be null) limits what it lists.
std::string choose_path(GtkWindow* owner, const std::string& title, GtkFileChooserAction action,
                        const std::string& accept_text, const std::string& start_folder,
                        GtkFileFilter* filter);

}  // namespace platform
