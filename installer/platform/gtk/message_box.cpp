// Message boxes: an icon, the text and OK, modal over the dialog that asked for them, else over
// the progress window when it is shown.
#include "installer/platform/gtk/dialog_kit.h"
#include "installer/platform/gtk/gtk_ui.h"

namespace platform {

namespace {

constexpr char CAPTION[] = "エラー";  // the desktop's caption for a box that names none
constexpr char INFORMATION_CAPTION[] = "情報";  // a report that is no error (the uninstaller's)

gboolean quit_on_close(GtkWidget*, GdkEvent*, gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return TRUE;
}

gboolean quit_on_escape(GtkWidget*, GdkEventKey* key, gpointer loop) {
  if (key->keyval != GDK_KEY_Escape) return FALSE;
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return TRUE;
}

void quit_on_click(GtkButton*, gpointer loop) { g_main_loop_quit(static_cast<GMainLoop*>(loop)); }

GtkWidget* icon_for(uint32_t style) {
  bool stop = style == MB_ICON_STOP, information = style == MB_ICON_INFORMATION;
  const char* name = stop ? "dialog-error-symbolic" : information ? "dialog-information-symbolic" : "dialog-warning-symbolic";
  GtkWidget* icon = gtk_image_new_from_icon_name(name, GTK_ICON_SIZE_DIALOG);
  gtk_style_context_add_class(gtk_widget_get_style_context(icon),
                              stop ? "stop" : information ? "information" : "exclamation");
  gtk_widget_set_valign(icon, GTK_ALIGN_START);
  return icon;
}

}  // namespace

void GtkUi::message_box(const std::string& text, uint32_t style) {
  GtkWindow* owner = open_dialog_                                       ? open_dialog_
                     : main_window() && gtk_widget_get_visible(window_) ? main_window()
                                                                        : nullptr;
  GtkWidget* box = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  make_fixed_frame(box);
  gtk_window_set_title(GTK_WINDOW(box), style == MB_ICON_INFORMATION ? INFORMATION_CAPTION : CAPTION);
  gtk_window_set_modal(GTK_WINDOW(box), TRUE);
  gtk_window_set_transient_for(GTK_WINDOW(box), owner);
  gtk_window_set_position(GTK_WINDOW(box), owner ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);

  GtkWidget* rows = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
  gtk_container_set_border_width(GTK_CONTAINER(rows), 12);
  GtkWidget* line = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 12);
  GtkWidget* label = gtk_label_new(text.c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
  gtk_box_pack_start(GTK_BOX(line), icon_for(style), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(line), label, TRUE, TRUE, 0);
  GtkWidget* ok = gtk_button_new_with_label("OK");
  gtk_widget_set_size_request(ok, 88, 23);
  gtk_widget_set_halign(ok, GTK_ALIGN_CENTER);
  gtk_box_pack_start(GTK_BOX(rows), line, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(rows), ok, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(box), rows);

  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  g_signal_connect(box, "delete-event", G_CALLBACK(quit_on_close), loop);
  g_signal_connect(box, "key-press-event", G_CALLBACK(quit_on_escape), loop);
  g_signal_connect(ok, "clicked", G_CALLBACK(quit_on_click), loop);
  gtk_widget_set_can_default(ok, TRUE);
  gtk_window_set_default(GTK_WINDOW(box), ok);
  gtk_widget_show_all(box);
  gtk_widget_grab_focus(ok);
  gtk_window_present(GTK_WINDOW(box));
  g_main_loop_run(loop);
  gtk_widget_destroy(box);
  g_main_loop_unref(loop);
}

}  // namespace platform
