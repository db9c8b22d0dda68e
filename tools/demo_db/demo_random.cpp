#include "demo_random.h"

#include <numeric>
#include <stdexcept>

namespace quorvia::tools {

namespace {

std::mt19937 SeededEngine(std::uint32_t seed, std::uint32_t stream) {
  std::seed_seq sequence{seed, stream};
  return std::mt19937(sequence);
}

}  // namespace

DemoRandom::DemoRandom(std::uint32_t seed, std::uint32_t stream) : engine_(SeededEngine(seed, stream)) {}

std::uint32_t DemoRandom::Below(std::uint32_t bound) {
  if (bound == 0) throw std::invalid_argument("DemoRandom::Below needs a positive bound");
  // Reject the top slice of the 32-bit range that would favour small results over large ones.
  const std::uint64_t range = std::uint64_t{1} << 32;
  const std::uint64_t usable = range - range % bound;
  std::uint64_t draw = 0;
  do {
    draw = static_cast<std::uint32_t>(engine_());
  } while (draw >= usable);
  return static_cast<std::uint32_t>(draw % bound);
}

std::uint32_t DemoRandom::Between(std::uint32_t low, std::uint32_t high) {
  if (high < low) throw std::invalid_argument("DemoRandom::Between needs low <= high");
  if (high - low == UINT32_MAX) return static_cast<std::uint32_t>(engine_());
  return low + Below(high - low + 1);
}

bool DemoRandom::Percent(std::uint32_t percent) { return Below(100) < percent; }

std::size_t DemoRandom::Weighted(std::span<const std::uint32_t> weights) {
  const std::uint64_t total = std::accumulate(weights.begin(), weights.end(), std::uint64_t{0});
  if (total == 0 || total > UINT32_MAX)
    throw std::invalid_argument("DemoRandom::Weighted needs usable weights");
  std::uint32_t point = Below(static_cast<std::uint32_t>(total));
  for (std::size_t i = 0; i < weights.size(); ++i) {
    if (point < weights[i]) return i;
    point -= weights[i];
  }
  return weights.size() - 1;  // not reached: point < total
}

}  // namespace quorvia::tools
