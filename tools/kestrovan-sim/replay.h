#pragma once
// Replays a desktop run's event trace on the headless platform: the form loads, then every
// traced handler runs in the traced order, modal boxes nesting theirs, up to a snapshot
// marker. The game's state and screen then are those the desktop had at that snapshot.
#include <memory>
#include <string>
#include <vector>

#include "game/engine/frmMain.h"
#include "game/platform/headless/headless_loop.h"
#include "game/platform/headless/recording_sound.h"
#include "game/platform/headless/seeded_random.h"
#include "game/platform/ports.h"
#include "game/platform/text_renderer.h"

namespace kv::sim {

class Replay : public DialogPort {
 public:
  // text draws the labels (the desktop's fonts, to compare screens); folder is the program's.
  Replay(TextRenderer& text, const std::string& folder);
  ~Replay() override;

  // Loads the form and runs the trace up to snapshot number `snapshot` (0: to its end).
  // Returns false with "line N: reason" for a malformed trace or a snapshot that is missing.
  bool Run(const std::string& trace, int snapshot, std::string& error);
  frmMain& form() { return *form_; }

  std::string InputBox(const std::string& prompt, const std::string& title) override;
  void MessageBox(const std::string& text, const std::string& title) override;

 private:
  struct Line {
    int number;
    std::string verb, rest;
  };
  struct Stop {};  // the snapshot was reached
  struct Bad {
    std::string why;
  };
  void RunOne(const Line& l);
  std::string RunDialog();
  Timer* FindTimer(const std::string& name);

  HeadlessLoop loop_;
  RecordingSound sound_;
  SeededRandom random_;
  std::unique_ptr<ProgramHost> host_;
  std::unique_ptr<frmMain> form_;
  std::vector<Line> lines_;
  size_t next_ = 0;
  int target_ = 0;
};

}  // namespace kv::sim
