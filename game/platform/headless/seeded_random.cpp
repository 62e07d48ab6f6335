#include "game/platform/headless/seeded_random.h"

namespace kv {

double SeededRandom::Rnd() {
  ++draws_;
  if (!queued_.empty()) {
    double v = queued_.front();
    queued_.pop_front();
    return v;
  }
  // splitmix64; 24 bits keep every product Rnd * n with n below 2^24 strictly under n.
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return static_cast<double>(z >> 40) / 16777216.0;
}

}  // namespace kv
