#include "installer/platform/gtk/dialog_kit.h"

#include <cmath>

#include "installer/platform/gtk/mnemonic.h"

namespace platform {

namespace {

constexpr char STYLE_CLASS[] = "vexasfx";

// The template font, "UI Gothic" 9 pt, is a proportional Japanese gothic; IPA's is the nearest.
constexpr char STYLE_SHEET[] = R"(
.vexasfx { font-family: "UI Gothic", "IPAPGothic", "IPAGothic", sans-serif; font-size: 9pt; }
.vexasfx button { min-height: 0; min-width: 0; padding: 1px 2px; }
.vexasfx entry { min-height: 0; padding: 1px 3px; }
.vexasfx progressbar trough, .vexasfx progressbar progress { min-height: 18px; }
.vexasfx image.stop { color: #c01c28; }
.vexasfx image.exclamation { color: #e5a50a; }
)";

using Action = std::function<void()>;

void run_action(gpointer, gpointer data) { (*static_cast<Action*>(data))(); }
void drop_action(gpointer data, GClosure*) { delete static_cast<Action*>(data); }

void limit_frame_functions(GtkWidget* window, gpointer) {
  GdkWindow* gdk_window = gtk_widget_get_window(window);
  gdk_window_set_functions(gdk_window, GdkWMFunction(GDK_FUNC_MOVE | GDK_FUNC_CLOSE));
  gdk_window_set_decorations(gdk_window, GdkWMDecoration(GDK_DECOR_BORDER | GDK_DECOR_TITLE | GDK_DECOR_MENU));
}

}  // namespace

void install_installer_style() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, STYLE_SHEET, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gdk_screen_get_default(), GTK_STYLE_PROVIDER(provider),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

void make_fixed_frame(GtkWidget* window) {
  gtk_style_context_add_class(gtk_widget_get_style_context(window), STYLE_CLASS);
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
  g_signal_connect(window, "realize", G_CALLBACK(limit_frame_functions), nullptr);
}

void on_signal(gpointer instance, const char* signal, std::function<void()> action) {
  g_signal_connect_data(instance, signal, G_CALLBACK(run_action), new Action(std::move(action)), drop_action,
                        GConnectFlags(0));
}

std::string entry_text(GtkWidget* entry) {
  const char* text = gtk_entry_get_text(GTK_ENTRY(entry));
  return text ? text : "";
}

std::string choose_path(GtkWindow* owner, const std::string& title, GtkFileChooserAction action,
                        const std::string& accept_text, const std::string& start_folder,
                        GtkFileFilter* filter) {
  GtkWidget* chooser = gtk_file_chooser_dialog_new(title.c_str(), owner, action, "キャンセル", GTK_RESPONSE_CANCEL,
                                                   accept_text.c_str(), GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* files = GTK_FILE_CHOOSER(chooser);
  gtk_window_set_modal(GTK_WINDOW(chooser), TRUE);
  gtk_window_set_default_size(GTK_WINDOW(chooser), 600, 420);  // fits a small screen
  gtk_file_chooser_set_local_only(files, TRUE);
  gtk_dialog_set_default_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  if (!start_folder.empty() && g_file_test(start_folder.c_str(), G_FILE_TEST_IS_DIR))
    gtk_file_chooser_set_current_folder(files, start_folder.c_str());
  if (filter) gtk_file_chooser_set_filter(files, filter);
  std::string chosen;
  if (gtk_dialog_run(GTK_DIALOG(chooser)) == GTK_RESPONSE_ACCEPT) {
    if (gchar* path = gtk_file_chooser_get_filename(files)) {
      chosen = path;
      g_free(path);
    }
  }
  gtk_widget_destroy(chooser);
  return chosen;
}

ModalDialog::ModalDialog(GtkWindow* owner, const std::string& caption, int width, int height, int cancel_result)
    : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)),
      fixed_(gtk_fixed_new()),
      loop_(g_main_loop_new(nullptr, FALSE)),
      result_(cancel_result),
      cancel_result_(cancel_result) {
  g_object_ref_sink(window_);
  make_fixed_frame(window_);
  gtk_window_set_title(GTK_WINDOW(window_), caption.c_str());
  gtk_window_set_modal(GTK_WINDOW(window_), TRUE);
  bool owner_shown = owner && gtk_widget_get_visible(GTK_WIDGET(owner));
  if (owner) gtk_window_set_transient_for(GTK_WINDOW(window_), owner);
  gtk_window_set_position(GTK_WINDOW(window_), owner_shown ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);

  // Windows' rule for dialog units: the alphabet's average width, rounded, and the line height.
  PangoLayout* layout = gtk_widget_create_pango_layout(window_, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  int text_width = 0, text_height = 0;
  pango_layout_get_pixel_size(layout, &text_width, &text_height);
  g_object_unref(layout);
  if (text_width > 0 && text_height > 0) {
    base_width_ = (text_width / 26 + 1) / 2;
    base_height_ = text_height;
  }
  gtk_widget_set_size_request(fixed_, pixels_x(width), pixels_y(height));
  gtk_container_add(GTK_CONTAINER(window_), fixed_);

  g_signal_connect(window_, "delete-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer self) -> gboolean {
                     auto* dialog = static_cast<ModalDialog*>(self);
                     dialog->end(dialog->cancel_result_);
                     return TRUE;  // the dialog's owner destroys it
                   }),
                   this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventKey* key, gpointer self) -> gboolean {
                     if (key->keyval != GDK_KEY_Escape) return FALSE;
                     auto* dialog = static_cast<ModalDialog*>(self);
                     dialog->end(dialog->cancel_result_);
                     return TRUE;
                   }),
                   this);
}

ModalDialog::~ModalDialog() {
  gtk_widget_destroy(window_);
  g_object_unref(window_);
  g_main_loop_unref(loop_);
}

int ModalDialog::pixels_x(int units) const { return int(std::lround(units * base_width_ / 4.0)); }
int ModalDialog::pixels_y(int units) const { return int(std::lround(units * base_height_ / 8.0)); }

void ModalDialog::place(GtkWidget* control, int x, int y, int width, int height) {
  // A text that needs more room than its template gave it keeps its full width.
  gtk_widget_set_size_request(control, pixels_x(width), pixels_y(height));
  gtk_fixed_put(GTK_FIXED(fixed_), control, pixels_x(x), pixels_y(y));
}

GtkWidget* ModalDialog::add_label(const std::string& text, int x, int y, int width, int height) {
  GtkWidget* label = gtk_label_new_with_mnemonic(toolkit_mnemonic(text).c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
  place(label, x, y, width, height);
  return label;
}

GtkWidget* ModalDialog::add_text(const std::string& text, int x, int y, int width, int height) {
  GtkWidget* label = gtk_label_new(text.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0f);
  place(label, x, y, width, height);
  return label;
}

GtkWidget* ModalDialog::add_entry(const std::string& text, int x, int y, int width, int height) {
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(entry), text.c_str());
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);  // the template decides the width
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  place(entry, x, y, width, height);
  return entry;
}

GtkWidget* ModalDialog::add_button(const std::string& text, int x, int y, int width, int height) {
  GtkWidget* button = gtk_button_new_with_mnemonic(toolkit_mnemonic(text).c_str());
  place(button, x, y, width, height);
  return button;
}

GtkWidget* ModalDialog::add_check(const std::string& text, int x, int y, int width, int height) {
  GtkWidget* check = gtk_check_button_new_with_mnemonic(toolkit_mnemonic(text).c_str());
  place(check, x, y, width, height);
  return check;
}

void ModalDialog::end_on_click(GtkWidget* button, int result) {
  on_signal(button, "clicked", [this, result] { end(result); });
}

void ModalDialog::make_default(GtkWidget* button) {
  gtk_widget_set_can_default(button, TRUE);
  gtk_window_set_default(GTK_WINDOW(window_), button);
}

void ModalDialog::focus_at_start(GtkWidget* control) { first_focus_ = control; }

int ModalDialog::run() {
  gtk_widget_show_all(window_);
  if (first_focus_) gtk_widget_grab_focus(first_focus_);
  gtk_window_present(GTK_WINDOW(window_));
  g_main_loop_run(loop_);
  gtk_widget_hide(window_);
  return result_;
}

void ModalDialog::end(int result) {
  result_ = result;
  g_main_loop_quit(loop_);
}

}  // namespace platform
