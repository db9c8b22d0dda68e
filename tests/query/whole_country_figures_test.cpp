// A whole country read in parts on two connections gives the very figures of the area query and the
// change query read whole, on data whose floating-point sums change with the order of adding.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cmath>
#include <memory>
#include <string>

#include "db/database.h"
#include "query/change_queries.h"
#include "query/change_rows.h"
#include "query/whole_country_figures.h"
#include "sqlite_fixture.h"

namespace quorvia::query {
namespace {

// The shape the program's files have: text columns compared without regard to case, the covering index
// in group order. Rows of all groups are mixed in rowid order; a few areas of 10^9 make every sum lose
// low bits, so that adding in another order gives other bits. Group values differ in case only
// ("007-ab", "007-AB") and so do the country's ("XX", "xx"); the "YY" rows are not selected.
std::string OrderSensitiveCountrySql(int records) {
  return "CREATE TABLE UNITS_XX (STATUS TEXT, N1 TEXT);"
         "CREATE TABLE DATA_XX (AREAHA REAL, N0CD TEXT COLLATE NOCASE, change1 TEXT COLLATE NOCASE, "
         "change2 TEXT COLLATE NOCASE, N1 TEXT COLLATE NOCASE);"
         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
         std::to_string(records) +
         ") INSERT INTO DATA_XX SELECT ((i * 7919) % 100003) / 100.0 + CASE WHEN i % 97 = 0 THEN 1e9 ELSE 0 "
         "END,"
         " CASE WHEN i % 11 = 0 THEN 'YY' WHEN i % 5 = 0 THEN 'xx' ELSE 'XX' END,"
         " printf('%03d-%s', (i * 31) % 40, CASE WHEN i % 3 = 0 THEN 'ab' ELSE 'AB' END), 'c', 'X1' FROM n;"
         "CREATE INDEX DATA_XX_by_change1 ON DATA_XX (N0CD, change1, AREAHA, change2, N1);";
}

// How SQLite reads the area query of the whole country: "SCAN DATA_XX" reads the table in row order.
std::string AreaPlan(const std::string& file) {
  const db::SqliteConnection connection(file, SQLITE_OPEN_READONLY);
  db::SqliteStatement plan(
      connection.Handle(),
      "EXPLAIN QUERY PLAN SELECT sum(AREAHA) FROM DATA_XX WHERE N0CD = 'XX' COLLATE NOCASE");
  return plan.Step() ? plan.Column(3).ToString() : std::string();
}

Conditions WholeCountry() {
  Conditions conditions;
  conditions.fragments.country = " N0CD = \"XX\"";
  conditions.ChangeField = "change1";
  return conditions;
}

// The figures as the two queries give them read whole, one after the other on one connection.
UpdateFigures ReadWhole(db::Database& database, const Conditions& conditions) {
  return ReadUpdateFigures(database, nullptr, AreaQuery("XX", conditions),
                           ChangeQuery("XX", conditions.ChangeField, conditions));
}

void ExpectSameFigures(const UpdateFigures& whole, const UpdateFigures& read) {
  // Doubles compare by value here, so the figures must be the same to the last bit.
  EXPECT_EQ(whole.area.storage(), read.area.storage());
  EXPECT_EQ(whole.changes.columns, read.changes.columns);
  ASSERT_EQ(whole.changes.rows.size(), read.changes.rows.size());
  for (std::size_t i = 0; i < whole.changes.rows.size(); ++i) {
    EXPECT_EQ(whole.changes.rows[i], read.changes.rows[i]) << "row " << i;
  }
}

class WholeCountryFigures : public ::testing::Test {
 protected:
  void Write(const std::string& extraSql) {
    testing::ExecuteSql(file_, OrderSensitiveCountrySql(20000) + extraSql);
    database_ = std::make_unique<db::Database>(file_);
    beside_ = database_->OpenAnother();
  }
  UpdateFigures ReadAsTheUpdate(const Conditions& conditions) {
    return ReadFiguresOfUpdate(*database_, beside_.get(), "XX", conditions, AreaQuery("XX", conditions),
                               ChangeQuery("XX", conditions.ChangeField, conditions));
  }
  bool ReadsInParts(const Conditions& conditions) {
    return database_->ReadGroupedSumInParts(*beside_, ChangeSumRequest("XX", "change1", conditions))
        .has_value();
  }

  testing::TempFolder folder_;
  std::string file_ = folder_.File("MOSA_DB.mdb");
  std::unique_ptr<db::Database> database_;
  std::unique_ptr<db::Database> beside_;
};

TEST_F(WholeCountryFigures, PartsGiveTheFiguresOfTheWholeQueriesToTheBit) {
  // With the planner's statistics and every row of the country the total is summed over the table in
  // row order (with gaps where rows were deleted), the groups over the index in group order: the two
  // orders differ, so a total put together from the groups would be off.
  // An area that is no number and one that is null are summed as sum() sums them.
  Write(
      "DELETE FROM DATA_XX WHERE N0CD = 'YY';"
      "INSERT INTO DATA_XX VALUES ('7.25 ha', 'XX', '003-ab', 'c', 'X1'), (NULL, 'XX', '005-AB', 'c', 'X1');"
      "ANALYZE;");
  ASSERT_EQ(AreaPlan(file_), "SCAN DATA_XX");
  const auto conditions = WholeCountry();
  ASSERT_TRUE(ReadsInParts(conditions));
  const UpdateFigures whole = ReadWhole(*database_, conditions);
  double ofGroups = 0;
  for (const auto& row : whole.changes.rows) ofGroups += std::get<double>(row[1]);
  // From SQLite 3.43 on, sum() adds with error compensation and the orders give one total; before it,
  // plain addition tells them apart, and this data must show that.
  if (sqlite3_libversion_number() < 3043000) {
    ASSERT_NE(ofGroups, std::get<double>(whole.area.storage())) << "the data no longer tells orders apart";
  }
  EXPECT_EQ(whole.changes.rows.size(), 40u);

  ExpectSameFigures(whole, ReadAsTheUpdate(conditions));
}

TEST_F(WholeCountryFigures, TotalSummedInIndexOrderIsReadWholeBesideTheParts) {
  // Without statistics the total is read through the index as well; it is then read whole.
  Write("");
  ASSERT_NE(AreaPlan(file_), "SCAN DATA_XX");
  const auto conditions = WholeCountry();
  EXPECT_TRUE(ReadsInParts(conditions));
  ExpectSameFigures(ReadWhole(*database_, conditions), ReadAsTheUpdate(conditions));
}

TEST_F(WholeCountryFigures, WhatThePartsCannotPromiseIsReadWhole) {
  // A group of no change type, and a table whose areas are whole numbers summed exactly.
  Write("INSERT INTO DATA_XX VALUES (2.5, 'XX', NULL, 'c', 'X1'); ANALYZE;");
  auto conditions = WholeCountry();
  EXPECT_FALSE(ReadsInParts(conditions));
  ExpectSameFigures(ReadWhole(*database_, conditions), ReadAsTheUpdate(conditions));

  // Narrowed selections and a change column the index is not in order of are not read in parts.
  conditions.fragments.nutsRegion = " AND N1 = \"X1\"";
  EXPECT_FALSE(SelectsWholeCountry(conditions));
  ExpectSameFigures(ReadWhole(*database_, conditions), ReadAsTheUpdate(conditions));
  conditions = WholeCountry();
  conditions.ChangeField = "change2";
  ExpectSameFigures(ReadWhole(*database_, conditions), ReadAsTheUpdate(conditions));

  // In write-ahead mode a write could land between the two connections' reads.
  beside_.reset();
  database_.reset();
  testing::ExecuteSql(file_, "DELETE FROM DATA_XX WHERE change1 IS NULL; PRAGMA journal_mode = WAL;");
  database_ = std::make_unique<db::Database>(file_);
  beside_ = database_->OpenAnother();
  conditions = WholeCountry();
  EXPECT_FALSE(ReadsInParts(conditions));
  ExpectSameFigures(ReadWhole(*database_, conditions), ReadAsTheUpdate(conditions));
}

TEST_F(WholeCountryFigures, IntegerAreasAreSummedAsTheEngineSumsThem) {
  testing::ExecuteSql(
      file_,
      "CREATE TABLE DATA_XX (AREAHA, N0CD TEXT COLLATE NOCASE, change1 TEXT COLLATE NOCASE);"
      "INSERT INTO DATA_XX VALUES (3, 'XX', 'a'), (4, 'XX', 'b'), (9007199254740993, 'XX', 'a'),"
      " (1.5, 'XX', 'c'), (NULL, 'XX', 'd');"
      "CREATE INDEX DATA_XX_by_change1 ON DATA_XX (N0CD, change1, AREAHA); ANALYZE;");
  database_ = std::make_unique<db::Database>(file_);
  beside_ = database_->OpenAnother();
  const auto conditions = WholeCountry();
  ExpectSameFigures(ReadWhole(*database_, conditions), ReadAsTheUpdate(conditions));
}

}  // namespace
}  // namespace quorvia::query
