#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>

namespace quorvia::tools {

// Random choices derived from std::mt19937 output by our own arithmetic only. The standard fixes the engine's
// output sequence (and std::seed_seq's mixing) but not the results of its distributions, so the demo
// database is the same file on every compiler and library.
class DemoRandom {
 public:
  // One stream per (seed, stream) pair: each country draws from its own stream, so enlarging one country
  // leaves the others' data unchanged.
  DemoRandom(std::uint32_t seed, std::uint32_t stream);

  std::uint32_t Below(std::uint32_t bound);                      // uniform in [0, bound); bound > 0
  std::uint32_t Between(std::uint32_t low, std::uint32_t high);  // uniform in [low, high]
  bool Percent(std::uint32_t percent);                           // true with the given chance
  // Index into weights, chosen with probability proportional to its weight; the weights must not all be 0.
  std::size_t Weighted(std::span<const std::uint32_t> weights);

 private:
  std::mt19937 engine_;
};

}  // namespace quorvia::tools
