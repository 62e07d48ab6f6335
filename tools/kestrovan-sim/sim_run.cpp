#include "tools/kestrovan-sim/sim_run.h"

#include "game/engine/frmMain.h"
#include "game/engine/state_dump.h"
#include "game/platform/file_store.h"
#include "game/platform/headless/files.h"
#include "game/platform/headless/headless_platform.h"
#include "game/platform/bitmap_font.h"
#include "game/platform/headless/image_file.h"
#include "tools/kestrovan-sim/replay.h"

namespace kv::sim {

namespace {

void Schedule(HeadlessPlatform& p, frmMain& form, const Command& c, std::vector<std::string>& errors) {
  switch (c.kind) {
    case CommandKind::KeyDown:
      p.loop.Post(c.at, [&form, c] { form.KeyDown(c.code, c.shift); });
      break;
    case CommandKind::KeyUp:
      p.loop.Post(c.at, [&form, c] { form.Form_KeyUp(c.code, c.shift); });
      break;
    case CommandKind::Menu:
      p.loop.Post(c.at, [&form, c] { form.FindMenu(c.name)->Click(); });
      break;
    case CommandKind::DblClick:
      p.loop.Post(c.at, [&form] { form.Form_DblClick(); });
      break;
    case CommandKind::Answer:
      p.dialogs.Answer(c.at, c.text);
      break;
    case CommandKind::Screenshot:
      p.loop.Post(c.at, [&form, &errors, c] {
        std::string error;
        if (!WriteScreenshot(form.surface, c.name, error)) errors.push_back(error);
      }, HeadlessLoop::EventKind::Observer);
      break;
  }
}

std::string OneLine(std::string text) {
  for (size_t p; (p = text.find("\r\n")) != std::string::npos;) text.replace(p, 2, "\\n");
  return text;
}

}  // namespace

int Run(const Options& o, std::ostream& out, std::ostream& err) {
  std::optional<TempFolder> temp;
  std::string folder = o.dir;
  if (folder.empty()) {
    temp.emplace();
    if (!temp->ok()) {
      err << "kestrovan-sim: cannot create a temporary folder\n";
      return 1;
    }
    folder = temp->path();
  } else if (!IsDirectory(folder)) {
    err << "kestrovan-sim: no such folder: " << folder << "\n";
    return 1;
  }

  HeadlessOptions ho;
  ho.seed = o.seed;
  ho.folder = folder;
  ho.configFolder = UserConfigFolder();
  HeadlessPlatform platform(ho);
  frmMain form(platform.ports());
  for (const Command& c : o.script) {
    if (c.kind == CommandKind::Menu && !form.FindMenu(c.name)) {
      err << "kestrovan-sim: line " << c.line << ": no menu item named '" << c.name << "'\n";
      return 2;
    }
  }
  std::vector<std::string> errors;
  // The form loads at virtual time 0, ahead of the script's commands for that moment.
  platform.loop.Post(0, [&form] { form.Form_Load(); }, HeadlessLoop::EventKind::Action);
  for (const Command& c : o.script) Schedule(platform, form, c, errors);
  platform.loop.RunUntil(o.ms);

  if (o.sounds) {
    for (const SoundCall& s : platform.sound.calls()) out << s.time << ' ' << s.what << '\n';
  }
  if (o.dialogs) {
    for (const DialogShown& d : platform.dialogs.shown())
      out << d.opened << ' ' << d.closed << ' ' << d.kind << ' ' << d.title << " | " << OneLine(d.text) << " | "
          << d.answer << '\n';
  }
  if (o.dumpState) {
    for (const std::string& line : DumpState(form)) out << line << '\n';
  }
  if (!o.screenshot.empty()) {
    std::string error;
    if (!WriteScreenshot(form.surface, o.screenshot, error)) errors.push_back(error);
  }
  for (const std::string& e : errors) err << "kestrovan-sim: " << e << '\n';
  return errors.empty() ? 0 : 1;
}

int RunReplay(const std::string& traceFile, int snapshot, const Options& o, std::ostream& out, std::ostream& err) {
  std::string trace, error;
  if (!ReadTextFile(traceFile, trace, error)) {
    err << "kestrovan-sim: " << error << "\n";
    return 1;
  }
  std::optional<TempFolder> temp;
  std::string folder = o.dir;
  if (folder.empty()) {
    temp.emplace();
    folder = temp->path();
  }
  BitmapTextRenderer text;
  Replay replay(text, folder);
  if (!replay.Run(trace, snapshot, error)) {
    err << "kestrovan-sim: " << traceFile << ": " << error << "\n";
    return 2;
  }
  if (o.dumpState) {
    for (const std::string& line : DumpState(replay.form())) out << line << '\n';
  }
  if (!o.screenshot.empty() && !WriteScreenshot(replay.form().surface, o.screenshot, error)) {
    err << "kestrovan-sim: " << error << "\n";
    return 1;
  }
  return 0;
}

}  // namespace kv::sim
