#include "query/run_stop.h"

#include "db/database.h"

namespace quorvia::query {

void RunStop::Request() noexcept {
  // Under the lock, so that no interrupt reaches a connection once its stoppable part has finished.
  const std::scoped_lock lock(mutex_);
  if (requested_) return;  // one interrupt per stop: a second one could land on the run's cleaning up
  requested_ = true;
  for (db::Database* connection : stoppable_) connection->Interrupt();
}

bool RunStop::Requested() const noexcept {
  const std::scoped_lock lock(mutex_);
  return requested_;
}

void RunStop::Reset() noexcept {
  const std::scoped_lock lock(mutex_);
  requested_ = false;
}

RunStop::Stoppable::Stoppable(RunStop& stop, std::initializer_list<db::Database*> connections) : stop_(stop) {
  const std::scoped_lock lock(stop_.mutex_);
  for (db::Database* connection : connections) {
    if (connection != nullptr) stop_.stoppable_.push_back(connection);
  }
}

RunStop::Stoppable::~Stoppable() { Finish(); }

bool RunStop::Stoppable::Finish() noexcept {
  const std::scoped_lock lock(stop_.mutex_);
  stop_.stoppable_.clear();
  return stop_.requested_;
}

}  // namespace quorvia::query
