#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace quorvia::app {

// SIGINT and SIGTERM for a headless run, read by the event loop instead of ending the process wherever it
// stands: the first asks the run to stop as the window's Cancel does, the second to stop at once. The two
// signals are blocked in every thread (Block, before any thread starts, so that all threads inherit the
// mask) and read from a signalfd.
class StopSignals final : public QObject {
 public:
  // Blocks SIGINT and SIGTERM in the calling thread and every thread it starts afterwards.
  static void Block();

  StopSignals(std::function<void()> first, std::function<void()> second);
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Reads the signals that came meanwhile, for the points where no event loop runs (between runs).
  void ReadPending();
  // The first signal received (SIGINT, SIGTERM), 0 when none.
  int First() const { return first_; }
  // The exit status of a process stopped by the first signal, as a shell reports one ended by it.
  int ExitStatus() const { return 128 + first_; }

 private:
  void Received(int signal);

  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::function<void()> onFirst_;
  std::function<void()> onSecond_;
  int first_ = 0;
  int count_ = 0;
};

}  // namespace quorvia::app
