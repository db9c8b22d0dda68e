#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "run_command.h"

namespace quorvia::bench {

// Median wall-clock seconds of `repetitions` runs of `work`, each after an untimed `prepare`.
inline double MedianSeconds(int repetitions, const std::function<void()>& prepare,
                            const std::function<void()>& work) {
  std::vector<double> seconds;
  for (int i = 0; i < repetitions; ++i) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    work();
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::ranges::sort(seconds);
  return seconds[seconds.size() / 2];
}

// Median wall-clock seconds of `repetitions` runs of `work`.
inline double MedianSeconds(int repetitions, const std::function<void()>& work) {
  return MedianSeconds(
      repetitions, [] {}, work);
}

using testing::RunCommand;
using testing::ShellQuote;

// What the benches on demo data share: how many records the large country gets, how many runs each
// median is taken over and the folder the bench writes in.
struct DemoRunOptions {
  int records;
  int reps;
  std::string folder;
};

// Takes argv[i] when it is --records N, --reps N or --folder DIR, stepping i past the value; false for any
// other argument, and for one of these without its value.
inline bool TakeDemoRunOption(int argc, char** argv, int& i, DemoRunOptions& options) {
  const std::string argument = argv[i];
  if (i + 1 >= argc) return false;
  if (argument == "--records") {
    options.records = std::atoi(argv[++i]);
  } else if (argument == "--reps") {
    options.reps = std::atoi(argv[++i]);
  } else if (argument == "--folder") {
    options.folder = argv[++i];
  } else {
    return false;
  }
  return true;
}

}  // namespace quorvia::bench
