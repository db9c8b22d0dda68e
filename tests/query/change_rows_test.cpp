// The run's own read of a query's rows, the only one: the report's data sheet receives them as read here.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "db/database.h"
#include "query/change_rows.h"
#include "sqlite_fixture.h"
#include "temp_folder.h"

namespace quorvia::query {
namespace {

using workbook::QueryValue;

TEST(ChangeRows, AreReadWithTheTypesASheetHoldsAndInTheQuerysOrder) {
  testing::TempFolder folder("quorvia-change-rows");
  const auto file = folder.Path() / "MOSA_DB.mdb";
  testing::ExecuteSql(file,
                      "CREATE VIEW FILTERED AS SELECT 'a' AS CHANGE, 1.5 AS AREA UNION ALL SELECT NULL, 2 "
                      "UNION ALL SELECT '0007', NULL ORDER BY 2;");
  db::Database database(file);

  const auto table = ReadRows(database, "SELECT * FROM FILTERED");

  EXPECT_EQ(table.columns, (std::vector<std::string>{"CHANGE", "AREA"}));
  ASSERT_EQ(table.rows.size(), 3u);
  // A code with leading zeros stays text, a missing value an empty cell, a whole number a number.
  EXPECT_EQ(table.rows[0][0], QueryValue(std::string("0007")));
  EXPECT_EQ(table.rows[0][1], QueryValue(std::monostate{}));
  EXPECT_EQ(table.rows[1][1], QueryValue(1.5));
  EXPECT_EQ(table.rows[2][0], QueryValue(std::monostate{}));
  EXPECT_EQ(table.rows[2][1], QueryValue(2.0));
}

}  // namespace
}  // namespace quorvia::query
