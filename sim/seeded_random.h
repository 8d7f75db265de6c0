// A small pseudo-random source that gives the same numbers for the same seed
// on every platform and standard library, so a simulated line is reproducible.
#pragma once

#include <cstdint>

namespace solwire::sim {

class SeededRandom {
 public:
  explicit SeededRandom(std::uint64_t seed) : state_(seed) {}

  std::uint64_t next();
  // A whole number in low..high, both included; low must not exceed high.
  int between(int low, int high);
  // A number in [0, 1).
  double unit();

 private:
  std::uint64_t state_;
};

// Derives a new seed from a seed and a salt (a site number, a date), so that
// every site and every day has a stream of its own.
std::uint64_t mixSeed(std::uint64_t seed, std::uint64_t salt);

}  // namespace solwire::sim
