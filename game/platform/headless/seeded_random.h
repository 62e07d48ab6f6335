#pragma once
// The headless random generator: the same sequence for the same seed on every run. Values can
// be queued ahead of the sequence, which tests use to choose what the engine draws.
#include <cstdint>
#include <deque>

#include "game/platform/ports.h"

namespace kv {

class SeededRandom : public Random {
 public:
  explicit SeededRandom(uint64_t seed = 1) : state_(seed) {}

  double Rnd() override;
  void Queue(double value) { queued_.push_back(value); }
  void ClearQueue() { queued_.clear(); }
  size_t Queued() const { return queued_.size(); }
  uint64_t Draws() const { return draws_; }

 private:
  uint64_t state_;
  uint64_t draws_ = 0;
  std::deque<double> queued_;
};

}  // namespace kv
