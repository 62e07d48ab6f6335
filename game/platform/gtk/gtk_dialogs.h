#pragma once
// The input box and the message box as modal dialogs over the game's window. gtk_dialog_run
// runs a nested main loop, in which the game's timers keep firing.
#include <string>
#include <vector>

#include "game/platform/event_trace.h"
#include "game/platform/ports.h"

typedef struct _GtkWidget GtkWidget;

namespace kv {

class GtkDialogs : public DialogPort {
 public:
  explicit GtkDialogs(EventTrace& trace) : trace_(trace) {}
  void SetParent(GtkWidget* window) { parent_ = window; }

  std::string InputBox(const std::string& prompt, const std::string& title) override;
  void MessageBox(const std::string& text, const std::string& title) override;

  // Closes every open box as if cancelled (the program is ending).
  void CancelAll();

 private:
  int Run(GtkWidget* dialog);

  EventTrace& trace_;
  GtkWidget* parent_ = nullptr;
  std::vector<GtkWidget*> open_;
};

// "\r\n" line breaks as the toolkit shows them.
std::string PlainLines(const std::string& text);

}  // namespace kv
