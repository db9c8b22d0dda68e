#include "workbook/office/process/office_starter.h"

#include <exception>
#include <future>

namespace quorvia::workbook::office {

OfficeStarter::OfficeStarter() : thread_([this] { Loop(); }) {}

OfficeStarter::~OfficeStarter() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void OfficeStarter::Loop() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
    if (jobs_.empty()) return;  // stopping, with nothing left to start
    auto job = std::move(jobs_.front());
    jobs_.pop_front();
    lock.unlock();
    job();
    lock.lock();
  }
}

std::unique_ptr<OfficeProcess> OfficeStarter::Start(const OfficeOptions& options) {
  // When called on the starter's own thread (a start that starts again), waiting for it would never end.
  if (std::this_thread::get_id() == thread_.get_id()) return OfficeProcess::Start(options);
  std::packaged_task<std::unique_ptr<OfficeProcess>()> task(
      [&options] { return OfficeProcess::Start(options); });
  auto started = task.get_future();
  {
    const std::lock_guard lock(mutex_);
    jobs_.emplace_back([&task] { task(); });
  }
  changed_.notify_all();
  return started.get();
}

}  // namespace quorvia::workbook::office
