// The indexes of the change tables against real SQLite files: the planner reads the program's own queries
// from them, and quorvia-import --add-indexes adds them to a file without.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data_indexes/add_indexes_command.h"
#include "data_indexes/data_indexes.h"
#include "db/sql_dialect.h"
#include "demo_database.h"
#include "query/change_queries.h"
#include "query/criteria.h"
#include "selections.h"
#include "sqlite_fixture.h"

namespace quorvia::data_indexes {
namespace {

std::string Plan(const std::string& file, const std::string& programSql) {
  const db::SqliteConnection connection(file, SQLITE_OPEN_READONLY);
  db::SqliteStatement plan(connection.Handle(), "EXPLAIN QUERY PLAN " + db::ToSqlite(programSql));
  std::string text;
  while (plan.Step()) text += plan.Column(3).ToString() + "\n";
  return text;
}

class DemoFileIndexes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<testing::TempFolder>();
    tools::DemoOptions options;
    options.recordsPerCountry = 300;
    options.largeCountry = "FR";
    options.largeRecords = 30'000;
    tools::WriteDemoDatabase(File(), options);
  }
  static void TearDownTestSuite() { folder_.reset(); }
  static std::string File() { return folder_->File("MOSA_DB.mdb"); }

  // The plans of the area and the change query the program writes for the selection.
  static std::string PlansFor(const query::Selection& selection) {
    query::Conditions conditions;
    query::BuildCriteria(selection, conditions);
    return Plan(File(), query::AreaQuery("FR", conditions)) +
           Plan(File(), query::ChangeQuery("FR", conditions.ChangeField, conditions));
  }

  static inline std::unique_ptr<testing::TempFolder> folder_;
};

TEST_F(DemoFileIndexes, NarrowedSelectionsReadTheirRegionsIndexAndNoQueryReadsTheTableThroughAnIndex) {
  query::Selection region = query::AllOn("FR France");
  region.nutsRegion = "fr1";  // letter case as the user may type it
  region.shoreline = "< 10 Km from shoreline";
  // Both queries (area, then change) search the region's stretch of its index; the few rows it holds may
  // be sorted for the grouping.
  const std::string regionPlans = PlansFor(region);
  EXPECT_TRUE(
      regionPlans.starts_with("SEARCH DATA_FR USING COVERING INDEX DATA_FR_by_N1 (N1=?)\n"
                              "SEARCH DATA_FR USING COVERING INDEX DATA_FR_by_N1 (N1=?)\n"))
      << regionPlans;

  query::Selection district = query::AllOn("FR France");
  district.nutsLevelIndex = 2;
  district.nutsRegion = testing::QueryText(File(), "SELECT N3 FROM UNITS_FR WHERE N3 <> '' ORDER BY N3");
  const std::string districtPlans = PlansFor(district);
  EXPECT_TRUE(
      districtPlans.starts_with("SEARCH DATA_FR USING COVERING INDEX DATA_FR_by_N3 (N3=?)\n"
                                "SEARCH DATA_FR USING COVERING INDEX DATA_FR_by_N3 (N3=?)\n"))
      << districtPlans;

  // All on "All" reads the grouped sum in group order, without a sort; any other selection reads an
  // index that holds every column it names, never the table row by row through one.
  EXPECT_NE(PlansFor(query::AllOn("FR France"))
                .find("SEARCH DATA_FR USING COVERING INDEX DATA_FR_by_change1 (N0CD=?)\n"),
            std::string::npos);
  query::Selection landCover = query::AllOn("FR France");
  landCover.landCover = "Forests";
  query::Selection byChange2 = region;
  byChange2.byReviewedChange = false;
  for (const auto& selection : {query::AllOn("FR France"), region, district, landCover, byChange2}) {
    const std::string plans = PlansFor(selection);
    EXPECT_EQ(plans.find("USING INDEX"), std::string::npos) << plans;
  }
}

// A country's tables without the indexes, as an earlier converter or demo maker wrote them.
std::string UnindexedCountry(const std::string& code) {
  return testing::CountryTablesSql(code) + "INSERT INTO UNITS_" + code +
         " (STATUS, N1, N2, N3) VALUES ('FINAL', 'X1', 'X11', 'X111');"
         "INSERT INTO DATA_" +
         code + " (AREAHA, N0CD, change1, change2, N1, N2, N3) VALUES (1.5, '" + code +
         "', '211-112', '211-112', 'X1', 'X11', 'X111');";
}

TEST(AddIndexesCommand, AddsWhatAFileLacksSaysHowMuchSpaceItTookAndLeavesOtherFilesAlone) {
  testing::TempFolder folder;
  const std::string file = folder.File("MOSA_DB.mdb");
  testing::ExecuteSql(file, UnindexedCountry("AT") + "CREATE TABLE NOTES (N0CD TEXT, AREAHA REAL);");

  std::ostringstream out, err;
  EXPECT_EQ(AddIndexesCommand(file, out, err), 0) << err.str();
  EXPECT_NE(out.str().find("Added index DATA_AT_by_change1 on DATA_AT (N0CD, change1, AREAHA, change2, "
                           "N1, N2, N3, EBKL1DS, EBKL2DS, WSCODE, DLT, CSTDS)\n"),
            std::string::npos)
      << out.str();
  EXPECT_NE(out.str().find("Added index DATA_AT_by_N1 on DATA_AT"), std::string::npos);
  EXPECT_NE(out.str().find("Added index DATA_AT_by_N3 on DATA_AT"), std::string::npos);
  EXPECT_NE(out.str().find("The indexes and the planner's statistics take "), std::string::npos);
  EXPECT_EQ(testing::QueryNumber(file, "SELECT count(*) FROM sqlite_master WHERE type = 'index'"), 3);
  EXPECT_EQ(testing::QueryNumber(file, "SELECT count(*) FROM sqlite_stat1 WHERE tbl = 'DATA_AT'"), 3);
  EXPECT_NE(out.str().find("Rewrote " + file + " with 64 KB pages (they were 4 KB)"), std::string::npos);
  EXPECT_EQ(testing::QueryNumber(file, "PRAGMA page_size"), 65536);

  std::ostringstream again, againErr;
  EXPECT_EQ(AddIndexesCommand(file, again, againErr), 0);
  EXPECT_EQ(again.str(), file + " has every index already; nothing was added.\n");

  // Not an SQLite file: refused with what to do, and left byte for byte.
  const std::string text = folder.File("notes.mdb");
  std::ofstream(text) << "Standard Jet DB, or so it says";
  std::ostringstream none, refused;
  EXPECT_EQ(AddIndexesCommand(text, none, refused), 1);
  EXPECT_NE(refused.str().find("is not an SQLite database"), std::string::npos);
  std::ifstream in(text);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "Standard Jet DB, or so it says");
  EXPECT_EQ(AddIndexesCommand(folder.File("missing.mdb"), none, refused), 1);
}

TEST(DataIndexes, ATableWithoutItsUnitsTableOrChangeColumnGetsNone) {
  testing::TempFolder folder;
  const std::string file = folder.File("MOSA_DB.mdb");
  testing::ExecuteSql(file, "CREATE TABLE DATA_XX (AREAHA REAL, N0CD TEXT, change2 TEXT, N1 TEXT);" +
                                testing::CountryTablesSql("BE") + "ALTER TABLE DATA_BE DROP COLUMN change2;" +
                                "ALTER TABLE DATA_BE DROP COLUMN change1;");
  db::SqliteConnection connection(file, SQLITE_OPEN_READWRITE);
  EXPECT_TRUE(AddDataIndexes(connection).added.empty());
}

}  // namespace
}  // namespace quorvia::data_indexes
