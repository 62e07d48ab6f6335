#include "game/platform/gtk/gtk_dialogs.h"

#include <gtk/gtk.h>

#include <algorithm>

namespace kv {

std::string PlainLines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

int GtkDialogs::Run(GtkWidget* dialog) {
  open_.push_back(dialog);
  trace_.DialogBegin();
  int response = gtk_dialog_run(GTK_DIALOG(dialog));
  open_.erase(std::find(open_.begin(), open_.end(), dialog));
  return response;
}

std::string GtkDialogs::InputBox(const std::string& prompt, const std::string& title) {
  GtkWidget* dialog = gtk_dialog_new_with_buttons(title.c_str(), parent_ ? GTK_WINDOW(parent_) : nullptr,
                                                  GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                                  "OK", GTK_RESPONSE_OK, "キャンセル", GTK_RESPONSE_CANCEL, nullptr);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_window_set_resizable(GTK_WINDOW(dialog), FALSE);
  GtkWidget* content = gtk_dialog_get_content_area(GTK_DIALOG(dialog));
  gtk_container_set_border_width(GTK_CONTAINER(content), 12);
  gtk_box_set_spacing(GTK_BOX(content), 10);
  GtkWidget* label = gtk_label_new(PlainLines(prompt).c_str());
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  GtkWidget* entry = gtk_entry_new();  // input methods work in an entry as they stand
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  gtk_entry_set_width_chars(GTK_ENTRY(entry), 30);
  gtk_box_pack_start(GTK_BOX(content), label, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(content), entry, FALSE, FALSE, 0);
  gtk_widget_show_all(content);
  gtk_widget_grab_focus(entry);

  std::string text;
  if (Run(dialog) == GTK_RESPONSE_OK) text = gtk_entry_get_text(GTK_ENTRY(entry));
  trace_.DialogEnd(text);
  gtk_widget_destroy(dialog);
  return text;
}

void GtkDialogs::MessageBox(const std::string& text, const std::string& title) {
  GtkWidget* dialog = gtk_message_dialog_new(parent_ ? GTK_WINDOW(parent_) : nullptr,
                                             GtkDialogFlags(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
                                             GTK_MESSAGE_OTHER, GTK_BUTTONS_OK, "%s", PlainLines(text).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), title.c_str());
  Run(dialog);
  trace_.DialogEnd("");
  gtk_widget_destroy(dialog);
}

void GtkDialogs::CancelAll() {
  for (GtkWidget* d : open_) gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_CANCEL);
}

}  // namespace kv
