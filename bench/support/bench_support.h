#pragma once

#include <sqlite3.h>

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

// Runs plain SQLite SQL on a file; throws with SQLite's message on failure.
inline void ExecuteSql(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string message = error != nullptr ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error("SQL failed: " + message);
}

// A text as one single-quoted shell word.
inline std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace quorvia::bench
