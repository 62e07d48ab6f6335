#include "game/assets/midi.h"

#include <algorithm>

namespace kv::assets {

namespace {

struct Event {
  uint32_t tick;
  int order;  // note-offs before note-ons at the same tick
  std::vector<uint8_t> bytes;
};

void PutVarLen(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t buf[5];
  int n = 0;
  buf[n++] = v & 0x7F;
  while (v >>= 7) buf[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
  while (n > 0) out.push_back(buf[--n]);
}

void PutBE(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

}  // namespace

std::vector<uint8_t> EncodeMidi(const MidiSong& song) {
  std::vector<Event> events;
  const uint32_t t = song.microsPerQuarter;
  events.push_back({0, 0, {0xFF, 0x51, 0x03, uint8_t(t >> 16), uint8_t(t >> 8), uint8_t(t)}});
  for (auto [channel, program] : song.programs)
    events.push_back({0, 1, {uint8_t(0xC0 | (channel & 0x0F)), uint8_t(program & 0x7F)}});
  for (const MidiNote& n : song.notes) {
    uint8_t ch = n.channel & 0x0F;
    events.push_back({n.start, 3, {uint8_t(0x90 | ch), uint8_t(n.key & 0x7F), uint8_t(n.velocity & 0x7F)}});
    events.push_back({n.start + n.length, 2, {uint8_t(0x80 | ch), uint8_t(n.key & 0x7F), 0}});
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const Event& a, const Event& b) { return a.tick < b.tick || (a.tick == b.tick && a.order < b.order); });

  std::vector<uint8_t> track;
  uint32_t now = 0;
  for (const Event& e : events) {
    PutVarLen(track, e.tick - now);
    now = e.tick;
    track.insert(track.end(), e.bytes.begin(), e.bytes.end());
  }
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});

  std::vector<uint8_t> out{'M', 'T', 'h', 'd'};
  PutBE(out, 6, 4);
  PutBE(out, 0, 2);  // format 0
  PutBE(out, 1, 2);  // one track
  PutBE(out, song.ticksPerQuarter, 2);
  out.insert(out.end(), {'M', 'T', 'r', 'k'});
  PutBE(out, static_cast<uint32_t>(track.size()), 4);
  out.insert(out.end(), track.begin(), track.end());
  return out;
}

MidiSong BackgroundSong() {
  MidiSong song;
  song.microsPerQuarter = 400000;  // 150 beats a minute
  song.programs = {{0, 80}, {1, 38}};  // square lead, synth bass
  const uint32_t q = song.ticksPerQuarter, e = q / 2;
  // Four bars a phrase; the bass walks the roots, the lead answers it.
  static constexpr uint8_t kRoots[] = {45, 45, 41, 43, 45, 45, 40, 40};
  static constexpr uint8_t kLead[2][8] = {{69, 72, 76, 74, 72, 71, 69, 64}, {69, 72, 77, 76, 74, 72, 71, 68}};
  uint32_t bar = 0;
  for (int pass = 0; pass < 2; ++pass) {
    for (int b = 0; b < 8; ++b, ++bar) {
      const uint32_t start = bar * 4 * q;
      for (uint32_t k = 0; k < 8; ++k)
        song.notes.push_back({start + k * e, e - 8, 1, uint8_t(kRoots[b] + ((k % 2) ? 12 : 0)), 96});
      for (uint32_t k = 0; k < 4; ++k) {
        song.notes.push_back({start + k * q, 20, 9, uint8_t(k % 2 ? 38 : 36), 100});  // kick, snare
        song.notes.push_back({start + k * q + e, 12, 9, 42, 70});                   // closed hi-hat
      }
      const uint8_t* lead = kLead[pass];
      song.notes.push_back({start, q + e, 0, lead[b], 90});
      song.notes.push_back({start + q + e, e, 0, uint8_t(lead[b] - 5), 80});
      song.notes.push_back({start + 2 * q, 2 * q - 8, 0, lead[(b + 1) % 8], 88});
    }
  }
  song.notes.push_back({bar * 4 * q, 4 * q, 1, 33, 100});
  song.notes.push_back({bar * 4 * q, 4 * q, 0, 69, 90});
  return song;
}

}  // namespace kv::assets
