// Times quorvia-import on the 200,000-record Jet 4 file against mdb-export piped into the sqlite3 shell's
// .import on the same file, in the same run, and prints quorvia-import's peak resident memory (the
// converting child included). Prints figures; never part of the test run.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_support.h"

namespace {

namespace fs = std::filesystem;
using quorvia::bench::RunCommand;
using quorvia::bench::ShellQuote;

struct Run {
  double seconds = 0;
  long peakKilobytes = 0;  // of the command and every process it waited for
};

// Runs a shell command and measures it; throws when it fails.
Run Measure(const std::string& command) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  Run run{std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), usage.ru_maxrss};
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error("failed: " + command);
  return run;
}

// The median run by time, with the largest peak memory of all runs.
Run Median(std::vector<Run> runs) {
  std::ranges::sort(runs, {}, &Run::seconds);
  Run median = runs[runs.size() / 2];
  for (const Run& run : runs) median.peakKilobytes = std::max(median.peakKilobytes, run.peakKilobytes);
  return median;
}

std::vector<std::string> Tables(const std::string& file) {
  std::vector<std::string> tables;
  std::istringstream lines(RunCommand("mdb-tables -1 " + ShellQuote(file)).output);
  for (std::string name; std::getline(lines, name);) {
    if (!name.empty() && name.back() == '\r') name.pop_back();
    if (!name.empty()) tables.push_back(name);
  }
  return tables;
}

int Usage() {
  std::cerr << "Usage: bench_import [--file ACCESS_FILE] [--reps N]\n"
               "Default file: " QUORVIA_BENCH_ACCESS_FILE " (2,700 records); pass --file with a larger\n"
               "Access file, such as a 200,000-record land-cover file, for figures worth comparing.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string file = QUORVIA_BENCH_ACCESS_FILE;
  int reps = 3;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--file" && i + 1 < argc) {
      file = argv[++i];
    } else if (argument == "--reps" && i + 1 < argc) {
      reps = std::max(1, std::atoi(argv[++i]));
    } else {
      return Usage();
    }
  }
  if (!fs::exists(file)) {
    std::cerr << "No Access file at " << file << ": pass an existing one with --file.\n";
    return Usage();
  }
  const fs::path scratch = fs::temp_directory_path() / ("quorvia-bench-import-" + std::to_string(::getpid()));
  fs::create_directories(scratch);
  const std::string importer = (fs::path(argv[0]).parent_path() / "quorvia-import").string();
  const std::string ours = (scratch / "quorvia.sqlite").string();
  const std::string theirs = (scratch / "pipeline.sqlite").string();

  std::string pipeline = "set -e";
  for (const auto& table : Tables(file)) {
    pipeline += "; mdb-export " + ShellQuote(file) + " " + ShellQuote(table) + " | sqlite3 " +
                ShellQuote(theirs) + " " + ShellQuote(".import --csv /dev/stdin " + table);
  }

  std::vector<Run> importRuns;
  std::vector<Run> pipelineRuns;
  try {
    for (int i = 0; i < reps; ++i) {
      // Alternating keeps both sides under the same machine load.
      fs::remove(ours);
      importRuns.push_back(
          Measure(importer + " " + ShellQuote(file) + " " + ShellQuote(ours) + " 2>/dev/null"));
      fs::remove(theirs);
      pipelineRuns.push_back(Measure(pipeline));
    }
  } catch (const std::exception& error) {
    std::cerr << error.what() << "\n";
    fs::remove_all(scratch);
    return 1;
  }
  fs::remove_all(scratch);

  const Run import = Median(importRuns);
  const Run reference = Median(pipelineRuns);
  const double ratio = import.seconds / reference.seconds;
  const double megabytes = static_cast<double>(import.peakKilobytes) / 1024.0;
  std::printf("file: %s (%d runs each, median)\n", file.c_str(), reps);
  std::printf("quorvia-import                 %7.3f s   peak RSS %6.1f MB\n", import.seconds, megabytes);
  std::printf("mdb-export | sqlite3 .import   %7.3f s\n", reference.seconds);
  std::printf("ratio %.2fx (target <= 1.5x): %s; memory (target < 100 MB): %s\n", ratio,
              ratio <= 1.5 ? "met" : "MISSED", megabytes < 100 ? "met" : "MISSED");
  return 0;
}
