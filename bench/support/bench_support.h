#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

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

// A text as one single-quoted shell word.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace quorvia::bench
