#pragma once

#include <initializer_list>
#include <mutex>
#include <optional>
#include <vector>

#include "db/db_error.h"

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

  // Runs `work` as a stoppable part on `connections`: nothing when a stop was asked for before it ended
  // (whatever it gave, or the engine error it raised, is dropped, as its queries may have been cut
  // short); what it gave otherwise, or its engine error.
  template <class Work>
  auto UnlessStopped(std::initializer_list<db::Database*> connections, Work work)
      -> std::optional<decltype(work())>;

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

template <class Work>
auto RunStop::UnlessStopped(std::initializer_list<db::Database*> connections, Work work)
    -> std::optional<decltype(work())> {
  Stoppable stoppable(*this, connections);
  if (Requested()) return std::nullopt;
  try {
    auto result = work();
    if (stoppable.Finish()) return std::nullopt;
    return result;
  } catch (const db::DbError&) {
    // An interrupted query fails; so may its partner on the other connection, in its own words.
    if (stoppable.Finish()) return std::nullopt;
    throw;
  }
}

}  // namespace quorvia::query
