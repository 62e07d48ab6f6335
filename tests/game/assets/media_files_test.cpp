#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "game/assets/icon.h"
#include "game/assets/midi.h"
#include "game/assets/sprites.h"

namespace {

using kv::assets::EncodeMidi;

uint32_t Be(const std::vector<uint8_t>& b, size_t at, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v = (v << 8) | b.at(at + i);
  return v;
}

uint32_t VarLen(const std::vector<uint8_t>& b, size_t& at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t c = b.at(at++);
    v = (v << 7) | (c & 0x7F);
    if (!(c & 0x80)) return v;
  }
  ADD_FAILURE() << "variable-length number longer than four bytes";
  return v;
}

struct Parsed {
  uint32_t endTick = 0;
  int notesOn = 0;
  int programs = 0;
  bool tempo = false, endOfTrack = false;
  std::map<std::pair<int, int>, int> open;  // sounding notes by (channel, key)
};

// Walks the single track event by event, as a sequencer would.
Parsed Walk(const std::vector<uint8_t>& b) {
  Parsed p;
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "MThd");
  EXPECT_EQ(Be(b, 4, 4), 6u);
  EXPECT_EQ(Be(b, 8, 2), 0u) << "format 0";
  EXPECT_EQ(Be(b, 10, 2), 1u) << "one track";
  EXPECT_EQ(std::string(b.begin() + 14, b.begin() + 18), "MTrk");
  size_t at = 22, end = 22 + Be(b, 18, 4);
  EXPECT_EQ(end, b.size());
  uint32_t tick = 0;
  while (at < end && !p.endOfTrack) {
    tick += VarLen(b, at);
    uint8_t status = b.at(at++);
    if (status == 0xFF) {
      uint8_t type = b.at(at++);
      uint32_t len = VarLen(b, at);
      p.tempo |= type == 0x51 && len == 3;
      p.endOfTrack = type == 0x2F;
      at += len;
    } else if ((status & 0xF0) == 0xC0) {
      ++p.programs;
      EXPECT_LT(b.at(at++), 0x80);
    } else if ((status & 0xF0) == 0x90 || (status & 0xF0) == 0x80) {
      int key = b.at(at++), vel = b.at(at++);
      EXPECT_LT(key, 0x80);
      EXPECT_LT(vel, 0x80);
      auto k = std::make_pair(status & 0x0F, key);
      if ((status & 0xF0) == 0x90 && vel > 0) {
        ++p.open[k];
        ++p.notesOn;
      } else {
        EXPECT_GT(p.open[k], 0) << "note-off without a note-on";
        --p.open[k];
      }
    } else {
      ADD_FAILURE() << "unexpected status byte " << int(status);
      break;
    }
  }
  p.endTick = tick;
  EXPECT_EQ(at, end) << "bytes after the end of the track";
  return p;
}

TEST(BackgroundMusic, AValidSmallSingleTrackFileThatEndsEveryNote) {
  kv::assets::MidiSong song = kv::assets::BackgroundSong();
  std::vector<uint8_t> file = EncodeMidi(song);
  EXPECT_LT(file.size(), 16u * 1024) << "a small file";
  Parsed p = Walk(file);
  EXPECT_TRUE(p.tempo);
  EXPECT_TRUE(p.endOfTrack);
  EXPECT_EQ(p.programs, 2);
  EXPECT_EQ(p.notesOn, int(song.notes.size()));
  for (auto [key, count] : p.open) EXPECT_EQ(count, 0) << "note left sounding";
  double seconds = double(p.endTick) / song.ticksPerQuarter * song.microsPerQuarter / 1e6;
  EXPECT_GT(seconds, 20);
  EXPECT_LT(seconds, 90);
}

TEST(BackgroundMusic, LongTimesUseMultiByteDeltas) {
  kv::assets::MidiSong song;
  song.notes = {{0, 20000, 0, 60, 100}};  // a delta of 20000 needs three bytes
  Parsed p = Walk(EncodeMidi(song));
  EXPECT_EQ(p.endTick, 20000u);
  EXPECT_EQ(p.notesOn, 1);
}

TEST(Icon, TheInvaderScaledTwiceOnBlack) {
  std::vector<kv::Colour> icon = kv::assets::IconPixels();
  ASSERT_EQ(icon.size(), size_t(kv::assets::kIconSize * kv::assets::kIconSize));
  int lit = 0;
  for (kv::Colour c : icon) {
    EXPECT_TRUE(c == kv::kWhite || c == kv::kBlack);
    lit += c == kv::kWhite;
  }
  int spriteLit = 0;
  for (kv::Colour c : kv::assets::Rasterise(kv::assets::InvaderFrame0())) spriteLit += c == kv::kWhite;
  EXPECT_EQ(lit, spriteLit * 4);
  // The top row of the sprite, "....##..........##....", lands at x 10 + 8 = 18 on row 16.
  const int n = kv::assets::kIconSize;
  EXPECT_EQ(icon[16 * n + 18], kv::kWhite);
  EXPECT_EQ(icon[16 * n + 17], kv::kBlack);
  EXPECT_EQ(icon[18 * n + 18], kv::kBlack) << "scan-line rows stay black";
}

TEST(Media, TheBuildPutsMusicIconAndReadmeBesideTheProgram) {
  for (const char* name : {"bgm.mid", "Kestrovan.png", "ReadMe.txt"}) {
    std::ifstream in(std::string(KV_BIN_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
  }
  std::ifstream png(std::string(KV_BIN_DIR) + "/Kestrovan.png", std::ios::binary);
  std::string sig(8, '\0');
  png.read(sig.data(), 8);
  EXPECT_EQ(sig, "\x89PNG\r\n\x1a\n");
}

}  // namespace
