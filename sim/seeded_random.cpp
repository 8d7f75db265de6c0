#include "sim/seeded_random.h"

namespace solwire::sim {

namespace {

constexpr std::uint64_t kGoldenGamma = 0x9E3779B97F4A7C15ULL;

std::uint64_t scramble(std::uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace

std::uint64_t SeededRandom::next() {
  state_ += kGoldenGamma;
  return scramble(state_);
}

int SeededRandom::between(int low, int high) {
  const auto span = static_cast<std::uint64_t>(static_cast<std::int64_t>(high) - low + 1);
  return low + static_cast<int>(next() % span);
}

double SeededRandom::unit() {
  // The top 53 bits fill a double's mantissa exactly.
  return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

std::uint64_t mixSeed(std::uint64_t seed, std::uint64_t salt) {
  return scramble(scramble(seed + kGoldenGamma) ^ (salt * kGoldenGamma + 1));
}

}  // namespace solwire::sim
