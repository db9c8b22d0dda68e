#include "workbook/office/process/call_watchdog.h"

#include <utility>

namespace quorvia::workbook::office {

CallWatchdog::~CallWatchdog() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

CallWatchdog::Watch::Watch(CallWatchdog& watchdog, std::function<void()> onHang) : watchdog_(watchdog) {
  const std::lock_guard lock(watchdog_.mutex_);
  outermost_ = watchdog_.depth_++ == 0;
  if (!outermost_) return;
  generation_ = ++watchdog_.generation_;
  watchdog_.armed_ = true;
  watchdog_.deadline_ = std::chrono::steady_clock::now() + watchdog_.bound_;
  watchdog_.onHang_ = std::move(onHang);
  if (!watchdog_.thread_.joinable()) watchdog_.thread_ = std::thread([&w = watchdog_] { w.Loop(); });
  watchdog_.changed_.notify_all();
}

CallWatchdog::Watch::~Watch() {
  const std::lock_guard lock(watchdog_.mutex_);
  --watchdog_.depth_;
  if (!outermost_) return;
  watchdog_.armed_ = false;
  watchdog_.onHang_ = nullptr;
  watchdog_.changed_.notify_all();
}

bool CallWatchdog::Watch::Fired() const {
  const std::lock_guard lock(watchdog_.mutex_);
  return outermost_ && watchdog_.firedGeneration_ == generation_;
}

void CallWatchdog::Loop() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (!armed_) {
      changed_.wait(lock);
      continue;
    }
    const std::uint64_t watched = generation_;
    if (changed_.wait_until(lock, deadline_,
                            [&] { return stopping_ || !armed_ || generation_ != watched; })) {
      continue;
    }
    // The call is still under way past its bound.
    firedGeneration_ = watched;
    armed_ = false;
    auto onHang = std::move(onHang_);
    lock.unlock();
    if (onHang) onHang();
    lock.lock();
  }
}

std::string HangMessage(std::chrono::milliseconds bound) {
  const auto tenths = (bound.count() + 50) / 100;
  return "the office did not answer within " + std::to_string(tenths / 10) +
         (tenths % 10 ? "." + std::to_string(tenths % 10) : "") + " s and was ended";
}

}  // namespace quorvia::workbook::office
