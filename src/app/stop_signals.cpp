#include "app/stop_signals.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

namespace quorvia::app {
namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  return set;
}

}  // namespace

void StopSignals::Block() {
  const sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

StopSignals::StopSignals(std::function<void()> first, std::function<void()> second)
    : onFirst_(std::move(first)), onSecond_(std::move(second)) {
  const sigset_t set = StopSet();
  fd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (fd_ < 0) return;  // without it the signals stay blocked and pending; the run ends as it would
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { ReadPending(); });
}

StopSignals::~StopSignals() {
  notifier_.reset();
  if (fd_ >= 0) close(fd_);
}

void StopSignals::ReadPending() {
  if (fd_ < 0) return;
  signalfd_siginfo info{};
  while (read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    Received(static_cast<int>(info.ssi_signo));
  }
}

void StopSignals::Received(int signal) {
  ++count_;
  if (count_ == 1) {
    first_ = signal;
    if (onFirst_) onFirst_();
  } else if (count_ == 2 && onSecond_) {
    onSecond_();
  }
}

}  // namespace quorvia::app
