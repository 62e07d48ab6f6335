// Effects and music through the sound port.
#include "game/engine/frmMain.h"

namespace kv {

bool frmMain::DetectWaveDevice() { return ports_.sound.HasWaveDevice(); }

// Every caller plays asynchronously; the port plays nothing for a missing file.
bool frmMain::PlaySoundFile(const std::string& fileName, bool /*async*/) { return ports_.sound.PlayWave(fileName); }

void frmMain::PlaySound(const char* fileName) {
  if (gd.SoundOn && gd.HasWaveDevice) PlaySoundFile(AppFilePath(fileName), true);
}

void frmMain::StopMusic() { ports_.sound.MusicCloseAll(); }

// Every call starts the piece again from its beginning.
void frmMain::StartMusic() {
  StopMusic();
  ports_.sound.MusicOpen(AppFilePath("\\bgm.mid"));
  ports_.sound.MusicPlay();
}

void frmMain::mnuSound_Click() {
  gd.SoundOn = !gd.SoundOn;
  mnuSound.SetChecked(gd.SoundOn);
}

void frmMain::mnuMusicOn_Click() {
  if (gd.MusicOn) {
    gd.MusicOn = false;
    StopMusic();
    mnuMusicOn.SetChecked(false);
  } else if (gd.HasWaveDevice) {
    gd.MusicOn = true;
    mnuMusicOn.SetChecked(true);
    StartMusic();
  }
}

}  // namespace kv
