#include "game/platform/gtk/sdl_sound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "game/platform/headless/files.h"
#include "tests/game/support/raw_audio.h"

namespace kv {
namespace {

const std::string kBin = KV_BIN_DIR;

// SDL's disk driver writes what would have been played to a file, in real time.
class DiskAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output().c_str(), 1);
  }
  std::string output() const { return folder.path() + "/out.raw"; }

  std::vector<char> Written() const {
    std::ifstream in(output(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // The loudest 16-bit sample written so far, from byte `from` on.
  int Peak(size_t from = 0) const { return test::PeakOfRawAudio(output(), from); }

  template <typename F>
  static bool WaitFor(F done, int ms) {
    for (int i = 0; i < ms / 10; ++i) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
  }

  TempFolder folder;
};

TEST_F(DiskAudio, AnEffectIsHeard) {
  {
    SdlSound sound;
    ASSERT_TRUE(sound.HasWaveDevice());
    ASSERT_TRUE(sound.PlayWave(kBin + "/fire.wav"));
    EXPECT_TRUE(sound.EffectPlaying());
    EXPECT_TRUE(WaitFor([&] { return !sound.EffectPlaying(); }, 5000));
  }
  EXPECT_GT(Peak(), 3000);
}

TEST_F(DiskAudio, ANewEffectCutsTheOldOne) {
  SdlSound sound;
  ASSERT_TRUE(sound.PlayWave(kBin + "/ufo.wav"));  // eight seconds long
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(sound.PlayWave(kBin + "/fire.wav"));
  // Only the short zap is left to finish.
  EXPECT_TRUE(WaitFor([&] { return !sound.EffectPlaying(); }, 3000));
}

TEST_F(DiskAudio, HeldSoundIsSilentAndGoesOnOnRelease) {
  SdlSound sound;
  ASSERT_TRUE(sound.PlayWave(kBin + "/ufo.wav"));  // eight seconds long
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  sound.Hold(true);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // what was mixed before the hold
  const size_t heldFrom = Written().size();
  sound.PlayWave(kBin + "/fire.wav");  // started while held: held too
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_GT(Written().size(), heldFrom + 44100) << "the output stopped instead of going on silent";
  EXPECT_EQ(Peak(heldFrom), 0);
  EXPECT_TRUE(sound.EffectPlaying());
  const size_t releasedFrom = Written().size();
  sound.Hold(false);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_GT(Peak(releasedFrom), 3000);
}

TEST_F(DiskAudio, TheBackgroundPiecePlaysOnceThroughTheSoundFontAndStopsAtOnce) {
  if (FindSoundFont().empty()) GTEST_SKIP() << "no General MIDI sound font installed";
  {
    SdlSound sound;
    sound.WarmMusic();  // the cache warming in the background does not get in the way
    sound.MusicPlay();  // nothing opened: nothing happens
    EXPECT_FALSE(sound.MusicPlaying());
    sound.MusicOpen(kBin + "/bgm.mid");
    sound.MusicPlay();
    EXPECT_TRUE(sound.MusicPlaying());
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(sound.MusicPlaying());
    sound.MusicCloseAll();
    EXPECT_FALSE(sound.MusicPlaying());
  }
  EXPECT_GT(Peak(), 1000) << "the piece made no sound";
}

TEST_F(DiskAudio, EffectsOverTheMusicDoNotClip) {
  if (FindSoundFont().empty()) GTEST_SKIP() << "no General MIDI sound font installed";
  {
    SdlSound sound;
    sound.MusicOpen(kBin + "/bgm.mid");
    sound.MusicPlay();
    for (const char* effect : {"hit.wav", "Start.wav", "InvHit.wav", "UfoHit.wav", "fire.wav", "hit.wav"}) {
      sound.PlayWave(kBin + "/" + effect);
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
    }
  }
  const int peak = Peak();
  EXPECT_GT(peak, 5000);
  EXPECT_LT(peak, 32767);
}

TEST_F(DiskAudio, MissingAndBrokenFilesStaySilent) {
  std::string error;
  const std::string bad = folder.path() + "/bad.wav";
  ASSERT_TRUE(WriteFile(bad, {'R', 'I', 'F', 'F', 0, 0}, error));
  {
    SdlSound sound;
    EXPECT_FALSE(sound.PlayWave(folder.path() + "/none.wav"));
    EXPECT_FALSE(sound.PlayWave(bad));
    EXPECT_FALSE(sound.PlayWave(folder.path()));  // a folder
    sound.MusicOpen(bad);
    sound.MusicPlay();
    EXPECT_FALSE(sound.MusicPlaying());
    sound.MusicCloseAll();
  }
  EXPECT_EQ(Peak(), 0);
}

TEST(NoAudio, WithoutAnOutputTheGameRunsSilent) {
  setenv("SDL_AUDIODRIVER", "none", 1);
  SdlSound sound;
  EXPECT_FALSE(sound.HasWaveDevice());
  EXPECT_FALSE(sound.PlayWave(std::string(KV_BIN_DIR) + "/fire.wav"));
  sound.MusicOpen(std::string(KV_BIN_DIR) + "/bgm.mid");
  sound.MusicPlay();
  EXPECT_FALSE(sound.MusicPlaying());
  sound.MusicCloseAll();
}

}  // namespace
}  // namespace kv
