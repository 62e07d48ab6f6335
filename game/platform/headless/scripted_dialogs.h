#pragma once
// Dialogs answered from a script. A box opens a nested loop (timers keep firing) until the
// next scripted answer is due; with no answer left it stays open to the end of the run, and
// outside a run it closes at once with Cancel.
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "game/platform/headless/headless_loop.h"
#include "game/platform/ports.h"

namespace kv {

struct DialogShown {
  int64_t opened;
  int64_t closed;
  std::string kind;  // "input" or "message"
  std::string title;
  std::string text;  // the prompt or the message
  std::string answer;
};

class ScriptedDialogs : public DialogPort {
 public:
  explicit ScriptedDialogs(HeadlessLoop& loop) : loop_(loop) {}

  // text nullopt is Cancel. Answers are used in the order given.
  void Answer(int64_t at, std::optional<std::string> text);
  std::string InputBox(const std::string& prompt, const std::string& title) override;
  void MessageBox(const std::string& text, const std::string& title) override;

  const std::vector<DialogShown>& shown() const { return shown_; }

 private:
  std::string Wait(DialogShown& d);

  struct Pending {
    int64_t at;
    std::optional<std::string> text;
  };
  HeadlessLoop& loop_;
  std::deque<Pending> answers_;
  std::vector<DialogShown> shown_;
};

}  // namespace kv
