#pragma once

#include <initializer_list>
#include <mutex>
#include <vector>

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

// A stop asked for a run from another thread (the window's Cancel, a signal to quorvia-run). A batch asks
// Requested between its items. An update lets it interrupt the queries that read its figures, and none
// after them: it stops before FILTERED is rewritten, or not at all, so it is never left half-done.
//
// Threads: Request and Requested may be called from any thread at any time; Reset and the stoppable part
// (Stoppable) belong to the thread that runs, Reset only while no run goes.
class RunStop {
 public:
  // Asks the run to stop; interrupts the statements of the connections of a stoppable part going now.
  void Request() noexcept;
  bool Requested() const noexcept;
  // For the next run: nothing asked.
  void Reset() noexcept;

  // While it lives, a stop interrupts the statements on `connections` (null entries are skipped).
  // Finish ends that and tells whether a stop was asked for meanwhile, or before: the part's work is then
  // to be dropped whatever it gave, as its queries may have been cut short.
  class Stoppable {
   public:
    Stoppable(RunStop& stop, std::initializer_list<db::Database*> connections);
    ~Stoppable();
    Stoppable(const Stoppable&) = delete;
    Stoppable& operator=(const Stoppable&) = delete;
    bool Finish() noexcept;

   private:
    RunStop& stop_;
  };

 private:
  mutable std::mutex mutex_;
  bool requested_ = false;
  std::vector<db::Database*> stoppable_;  // only while a stoppable part goes
};

}  // namespace quorvia::query
