#pragma once
// A small standard MIDI file writer and the game's background piece.
#include <cstdint>
#include <vector>

namespace kv::assets {

struct MidiNote {
  uint32_t start;     // in ticks
  uint32_t length;    // in ticks
  uint8_t channel;
  uint8_t key;
  uint8_t velocity;
};

struct MidiSong {
  uint16_t ticksPerQuarter = 96;
  uint32_t microsPerQuarter = 500000;
  std::vector<std::pair<uint8_t, uint8_t>> programs;  // (channel, General MIDI program)
  std::vector<MidiNote> notes;
};

// Format 0, one track: tempo, program changes, the notes in time order, end of track.
std::vector<uint8_t> EncodeMidi(const MidiSong& song);

// The background piece: a minor march with bass, lead and drums, about half a minute long.
MidiSong BackgroundSong();

}  // namespace kv::assets
