#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace quorvia::workbook::office {

// Bounds how long one office call may block. Office calls are synchronous and a frozen office never
// answers, so a thread of the watchdog watches the call under way and, once it has run longer than the
// bound, runs the hang action given for it (ending the office, which makes the blocked call return with an
// error). Calls made while one is already watched belong to it and share its bound.
class CallWatchdog {
 public:
  explicit CallWatchdog(std::chrono::milliseconds bound) : bound_(bound) {}
  CallWatchdog(const CallWatchdog&) = delete;
  CallWatchdog& operator=(const CallWatchdog&) = delete;
  ~CallWatchdog();

  std::chrono::milliseconds Bound() const noexcept { return bound_; }

  // Watches the calls made while it lives.
  class Watch {
   public:
    Watch(CallWatchdog& watchdog, std::function<void()> onHang);
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;
    ~Watch();
    // True when the bound passed and the hang action ran.
    bool Fired() const;

   private:
    CallWatchdog& watchdog_;
    bool outermost_;
    std::uint64_t generation_ = 0;
  };

 private:
  void Loop();

  const std::chrono::milliseconds bound_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::thread thread_;
  bool stopping_ = false;
  int depth_ = 0;
  bool armed_ = false;
  std::uint64_t generation_ = 0;
  std::uint64_t firedGeneration_ = 0;
  std::chrono::steady_clock::time_point deadline_;
  std::function<void()> onHang_;
};

// What a call reports when the watchdog ended the office under it: "... did not answer within 30 s and was
// ended".
std::string HangMessage(std::chrono::milliseconds bound);

}  // namespace quorvia::workbook::office
