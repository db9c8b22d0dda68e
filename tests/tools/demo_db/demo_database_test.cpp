#include "demo_database.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "demo_units.h"
#include "sqlite_reader.h"
#include "temp_folder.h"

namespace quorvia::tools {
namespace {

using testing::SqliteReader;
using TestFolder = quorvia::testing::TempFolder;
using Texts = std::vector<std::string>;

const Texts kCodes = {"AT", "BE", "CH", "DE", "ES", "FR", "IT", "NL", "PT"};
const Texts kListColumns = {"WSCODE", "DLT", "CSTDS", "N1", "N2", "N3", "EBKL1DS", "EBKL2DS"};
constexpr int kRecords = 500;  // more than the unit rows of a country, so every unit row gets data
constexpr int kLargeRecords = 1200;

DemoOptions SmallOptions() {
  DemoOptions options;
  options.seed = 7;
  options.recordsPerCountry = kRecords;
  options.largeCountry = "PT";
  options.largeRecords = kLargeRecords;
  return options;
}

// One small database shared by the read-only checks.
class DemoDatabaseTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<TestFolder>();
    WriteDemoDatabase(folder_->File("MOSA_DB.mdb"), SmallOptions());
    db_ = std::make_unique<SqliteReader>(folder_->File("MOSA_DB.mdb"));
  }
  static void TearDownTestSuite() {
    db_.reset();
    folder_.reset();
  }
  static std::int64_t Count(const std::string& from) { return db_->Number("SELECT count(*) FROM " + from); }

  inline static std::unique_ptr<TestFolder> folder_;
  inline static std::unique_ptr<SqliteReader> db_;
};

TEST_F(DemoDatabaseTest, TablesColumnsStatusesAndCountsAreWhatTheProgramExpects) {
  Texts tables;
  for (const std::string& code : kCodes) tables.insert(tables.end(), {"UNITS_" + code, "DATA_" + code});
  // Besides the planner's statistics (sqlite_stat1), which SQLite keeps for the indexes.
  EXPECT_EQ(db_->Rows("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite%' "
                      "ORDER BY rowid"),
            tables);
  Texts indexes;
  for (const std::string& code : kCodes) {
    const bool change2Only = code == "BE" || code == "DE";
    for (const char* by : {change2Only ? "change2" : "change1", "N1", "N3"})
      indexes.push_back("DATA_" + code + "_by_" + by);
  }
  EXPECT_EQ(db_->Rows("SELECT name FROM sqlite_master WHERE type = 'index' ORDER BY rowid"), indexes);

  for (const std::string& code : kCodes) {
    Texts data = {"AREAHA", "N0CD",    "change1", "change2", "N1",  "N2",
                  "N3",     "EBKL1DS", "EBKL2DS", "WSCODE",  "DLT", "CSTDS"};
    if (code == "BE" || code == "DE") data.erase(data.begin() + 2);
    EXPECT_EQ(db_->Rows("SELECT name FROM pragma_table_info('DATA_" + code + "')"), data);
    EXPECT_EQ(db_->Rows("SELECT name FROM pragma_table_info('UNITS_" + code + "')"),
              (Texts{"STATUS", "WSCODE", "DLT", "CSTDS", "N1", "N2", "N3", "EBKL1DS", "EBKL2DS"}));
    EXPECT_EQ(db_->Rows("SELECT DISTINCT STATUS FROM UNITS_" + code),
              Texts{code == "IT" ? "PARTIAL" : "FINAL"});
    EXPECT_EQ(db_->Rows("SELECT DISTINCT N0CD FROM DATA_" + code), Texts{code});
    EXPECT_EQ(Count("DATA_" + code), code == "PT" ? kLargeRecords : kRecords) << code;
  }
}

// A filter added to the filter table gets its column in both tables of every country, with values to list.
TEST_F(DemoDatabaseTest, EveryFilterColumnHoldsValuesInUnitsAndRecords) {
  Texts columns = FilterColumns(query::FilterKind::plain);
  const Texts levelled = FilterColumns(query::FilterKind::levelled);
  columns.insert(columns.end(), levelled.begin(), levelled.end());
  ASSERT_GE(columns.size(), 8u);  // the six filters of today have eight
  for (const std::string& code : kCodes) {
    for (const std::string& column : columns) {
      EXPECT_GT(Count("UNITS_" + code + " WHERE " + column + " <> ''"), 0) << code << " " << column;
      EXPECT_GT(Count("DATA_" + code + " WHERE " + column + " <> ''"), 0) << code << " " << column;
    }
  }
}

TEST_F(DemoDatabaseTest, TextValuesMatchRegardlessOfLetterCase) {
  EXPECT_EQ(Count("data_at WHERE n0cd = 'at'"), kRecords);
  const auto arable = Count("DATA_FR WHERE DLT = 'Arable land'");
  EXPECT_GT(arable, 0);
  EXPECT_EQ(Count("DATA_FR WHERE DLT = 'ARABLE LAND'"), arable);
  EXPECT_EQ(Count("units_it WHERE status = 'partial'"), Count("UNITS_IT"));
}

TEST_F(DemoDatabaseTest, NutsCodesNestLevelByLevel) {
  for (const std::string& code : kCodes) {
    const std::string units = "UNITS_" + code;
    // 3, 4 and 5 characters, each code starting with the code of the region above it.
    EXPECT_EQ(Count(units + " WHERE N1 <> '' AND (length(N1) <> 3 OR substr(N1, 1, 2) <> '" + code + "')"),
              0);
    EXPECT_EQ(Count(units + " WHERE N2 <> '' AND (length(N2) <> 4 OR substr(N2, 1, 3) <> N1 COLLATE BINARY)"),
              0);
    EXPECT_EQ(Count(units + " WHERE N3 <> '' AND (length(N3) <> 5 OR substr(N3, 1, 4) <> N2 COLLATE BINARY)"),
              0);
    const auto level1 = db_->Number("SELECT count(DISTINCT N1) FROM " + units + " WHERE N1 <> ''");
    EXPECT_TRUE(level1 >= 2 && level1 <= 4) << code << " has " << level1 << " level-1 regions";
  }
}

TEST_F(DemoDatabaseTest, LandlockedCountriesAreAllFarFromTheShoreline) {
  const Texts coastal = {"10 - 50 Km from shoreline", "< 10 Km from shoreline", "> 50 Km from shoreline"};
  for (const std::string& code : kCodes) {
    const bool landlocked = code == "AT" || code == "CH";
    EXPECT_EQ(db_->Rows("SELECT DISTINCT CSTDS FROM UNITS_" + code + " WHERE CSTDS <> '' ORDER BY 1"),
              landlocked ? Texts{"> 50 Km from shoreline"} : coastal)
        << code;
  }
}

// The program's lists skip blank values but need at least one real value each; records and unit rows must
// describe the same combinations, blanks included.
TEST_F(DemoDatabaseTest, UnitRowsHaveRealAndBlankValuesAndMatchTheRecords) {
  std::string sameUnits = "1";
  for (const std::string& column : kListColumns) sameUnits += " AND u." + column + " IS d." + column;
  for (const std::string& code : kCodes) {
    const std::string units = "UNITS_" + code + " u", data = "DATA_" + code + " d";
    for (const std::string& column : kListColumns) EXPECT_GT(Count(units + " WHERE " + column + " <> ''"), 0);
    EXPECT_GT(Count(units + " WHERE WSCODE = '' OR DLT = '' OR N3 = ''"), 0) << code;
    EXPECT_GT(Count(units + " WHERE WSCODE IS NULL OR CSTDS IS NULL"), 0) << code;
    EXPECT_EQ(Count(data + " WHERE NOT EXISTS (SELECT 1 FROM " + units + " WHERE " + sameUnits + ")"), 0)
        << code;
    EXPECT_EQ(Count(units + " WHERE NOT EXISTS (SELECT 1 FROM " + data + " WHERE " + sameUnits + ")"), 0)
        << code;
  }
  // A value equal to a column name, which the program must keep treating as a value.
  EXPECT_GT(Count("DATA_DE WHERE WSCODE = 'N1'"), 0);
}

TEST_F(DemoDatabaseTest, AreasAndChangeCodesLookReal) {
  const std::string change = "'[1-5][1-5][1-9]-[1-5][1-5][1-9]'";
  for (const std::string& code : kCodes) {
    EXPECT_EQ(Count("DATA_" + code + " WHERE AREAHA < 0.25 OR AREAHA > 400 OR round(AREAHA, 2) <> AREAHA"),
              0);
    EXPECT_EQ(Count("DATA_" + code + " WHERE NOT change2 GLOB " + change +
                    " OR substr(change2, 1, 3) = substr(change2, 5)"),
              0);
  }
  EXPECT_EQ(Count("DATA_FR WHERE NOT change1 GLOB " + change), 0);
  const auto differing = Count("DATA_FR WHERE change1 <> change2");
  EXPECT_TRUE(differing > kRecords / 10 && differing < kRecords / 2) << differing;
}

TEST_F(DemoDatabaseTest, SameSeedGivesTheSameDataAndCountriesDoNotInfluenceEachOther) {
  TestFolder folder;
  DemoOptions otherSeed = SmallOptions(), noLarge = SmallOptions();
  otherSeed.seed = 8;
  noLarge.largeCountry.clear();
  WriteDemoDatabase(folder.File("again.mdb"), SmallOptions());
  WriteDemoDatabase(folder.File("other_seed.mdb"), otherSeed);
  WriteDemoDatabase(folder.File("no_large.mdb"), noLarge);
  const SqliteReader again(folder.File("again.mdb")), other(folder.File("other_seed.mdb")),
      small(folder.File("no_large.mdb"));
  for (const std::string& code : kCodes) {
    for (const std::string& table : {"UNITS_" + code, "DATA_" + code}) {
      const std::string all = "SELECT * FROM " + table + " ORDER BY rowid";
      EXPECT_EQ(again.Rows(all), db_->Rows(all)) << table;
      EXPECT_NE(other.Rows(all), db_->Rows(all)) << table;
      if (code != "PT") {
        EXPECT_EQ(small.Rows(all), db_->Rows(all)) << table;
      }
    }
  }
}

}  // namespace
}  // namespace quorvia::tools
