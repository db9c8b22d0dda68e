// Cancel during an update: its queries are interrupted and nothing is written.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "run_fixture.h"

namespace quorvia::query {
namespace {

using namespace std::chrono_literals;

// Three million change records, so that reading the figures takes long enough to be stopped in the middle.
constexpr const char* kManyRecords = R"(
  INSERT INTO DATA_AT (AREAHA, N0CD, change1, change2, N1, N2, N3, EBKL1DS, EBKL2DS, WSCODE, DLT, CSTDS)
  WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n LIMIT 3000000)
  SELECT x % 97 + 0.5, 'AT', (x % 41) || '-' || (x % 37), (x % 41) || '-' || (x % 37), 'AT1', 'AT11',
         'AT111', 'Lowlands', 'Low a', 'N1', CASE x % 3 WHEN 0 THEN 'Forests' ELSE 'Arable land' END,
         '> 50 Km from shoreline'
  FROM n;
)";

TEST(UpdateStop, AStopWhileTheFiguresAreReadCancelsTheUpdateAndChangesNothing) {
  RunFixture run;
  ASSERT_TRUE(run.session->Update(AllOn("AT Oesterreich")).Done());
  const std::string filteredBefore = run.FilteredSql();
  const std::size_t officeCallsBefore = run.office.State().calls.size();
  testing::ExecuteSql(run.DatabasePath(), kManyRecords);

  Selection forests = AllOn("AT Oesterreich");
  forests.landCover = "Forests";
  RunStop stop;
  auto update = std::async(std::launch::async, [&] { return run.session->Update(forests, stop); });
  std::this_thread::sleep_for(100ms);
  stop.Request();
  const UpdateOutcome outcome = update.get();
  EXPECT_TRUE(outcome.cancelled);
  EXPECT_FALSE(outcome.Done());
  EXPECT_EQ(outcome.labelText, kUpdateCancelled);
  EXPECT_EQ(run.FilteredSql(), filteredBefore);
  // The workbook was not even looked at.
  EXPECT_EQ(run.office.State().calls.size(), officeCallsBefore);

  // The interrupt left nothing behind on either connection: the next update does all it was asked.
  stop.Reset();
  const UpdateOutcome again = run.session->Update(forests, stop);
  EXPECT_TRUE(again.Done()) << again.labelText;
  EXPECT_GE(again.recordCount, 41 * 37);
  EXPECT_NE(run.FilteredSql(), filteredBefore);
}

}  // namespace
}  // namespace quorvia::query
