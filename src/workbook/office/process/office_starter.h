#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "workbook/office/process/office_options.h"
#include "workbook/office/process/office_process.h"

namespace quorvia::workbook::office {

// Starts headless offices from a thread of its own that lives as long as this object. The kernel ends a
// headless office when the thread that started it ends, so an office started from a short-lived thread
// (a run of the window, a thread of a pool that retires idle threads) would die under its user; started
// here, it lives until its owner ends it, and still dies with the program.
class OfficeStarter {
 public:
  OfficeStarter();
  OfficeStarter(const OfficeStarter&) = delete;
  OfficeStarter& operator=(const OfficeStarter&) = delete;
  ~OfficeStarter();  // the offices it started must have been ended first: they end with its thread

  // OfficeProcess::Start, run on the starter's thread; what it throws is thrown here.
  std::unique_ptr<OfficeProcess> Start(const OfficeOptions& options);

 private:
  void Loop();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace quorvia::workbook::office
