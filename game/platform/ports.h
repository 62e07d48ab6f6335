#pragma once
// The services the game's logic needs from its platform, one small interface each.
#include <cstdint>
#include <string>

namespace kv {

class TimerScheduler;
class TextRenderer;

// Blocking pauses. The desktop shows the current picture first, then blocks.
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void Sleep(int32_t ms) = 0;
};

// Wave effects (one at a time, a new one cuts the old) and the music sequencer.
class SoundPort {
 public:
  virtual ~SoundPort() = default;
  virtual bool HasWaveDevice() const = 0;
  virtual bool PlayWave(const std::string& path) = 0;  // asynchronous; false when not accepted
  virtual void MusicOpen(const std::string& path) = 0;
  virtual void MusicPlay() = 0;
  virtual void MusicCloseAll() = 0;
  // Holds the effect and the music where they are, silent, and lets them go on on release.
  virtual void Hold(bool held) = 0;
};

// Modal boxes. Both run their own loop in which the timers keep firing.
class DialogPort {
 public:
  virtual ~DialogPort() = default;
  // Returns the entered text, or empty text on Cancel.
  virtual std::string InputBox(const std::string& prompt, const std::string& title) = 0;
  virtual void MessageBox(const std::string& text, const std::string& title) = 0;
};

// The game's one random generator: uniform values in [0, 1), never seeded from the clock.
class Random {
 public:
  virtual ~Random() = default;
  virtual double Rnd() = 0;
};

// The program itself: its folder, the user's configuration folder, the one channel for a
// problem the player should hear of, and the request to unload the form and end.
class ProgramHost {
 public:
  virtual ~ProgramHost() = default;
  virtual std::string ProgramFolder() const = 0;
  // The base folder of per-user settings ($XDG_CONFIG_HOME or ~/.config); empty when there
  // is none to use.
  virtual std::string ConfigFolder() const = 0;
  // One line of text on standard error (a settings save that failed).
  virtual void ReportProblem(const std::string& text) = 0;
  virtual void EndProgram() = 0;
};

struct Ports {
  TimerScheduler& timers;
  Sleeper& sleeper;
  SoundPort& sound;
  DialogPort& dialogs;
  Random& random;
  TextRenderer& text;
  ProgramHost& host;
};

}  // namespace kv
