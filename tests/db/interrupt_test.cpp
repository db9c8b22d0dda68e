// Interrupting the statement a Database runs from another thread, as the window's Cancel does.
#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "db/database.h"
#include "db/db_error.h"
#include "scratch_database.h"

namespace quorvia::db {
namespace {

using namespace std::chrono_literals;

// Counts without end: only an interrupt ends it.
constexpr const char* kEndlessQuery =
    "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT max(x) AS m FROM c";

TEST(DatabaseInterrupt, StopsTheRunningQueryAsAnInterruptedErrorAndTheConnectionGoesOn) {
  const testing::ScratchDatabase scratch;
  Database database(scratch.Path());
  // Interrupting with nothing running leaves the next statement alone.
  database.Interrupt();
  EXPECT_EQ(database.OpenRecordset("SELECT count(*) AS n FROM DATA_AT")->Value("n").ToDouble(), 3);

  auto running = std::async(std::launch::async, [&database] {
    try {
      database.OpenRecordset(kEndlessQuery);
      return DbError(0, "the endless query ended");
    } catch (const DbError& error) {
      return error;
    }
  });
  // An interrupt that comes before the statement starts does nothing, so it is repeated until one lands.
  while (running.wait_for(10ms) != std::future_status::ready) database.Interrupt();
  const DbError error = running.get();
  EXPECT_TRUE(error.Interrupted()) << error.Number() << " " << error.Description();
  EXPECT_EQ(error.Number(), kInterrupted);
  EXPECT_EQ(database.OpenRecordset("SELECT count(*) AS n FROM DATA_AT")->Value("n").ToDouble(), 3);
  EXPECT_FALSE(DbError(kSqlError, "refused").Interrupted());
}

}  // namespace
}  // namespace quorvia::db
