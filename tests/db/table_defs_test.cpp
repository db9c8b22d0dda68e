#include "db/table_defs.h"

#include <gtest/gtest.h>

#include "db/database.h"
#include "db/db_error.h"
#include "scratch_database.h"

namespace quorvia::db {
namespace {

TEST(TableDefs, ListsUserTablesInCreationOrderOnly) {
  testing::ScratchDatabase file;
  // An AUTOINCREMENT table makes SQLite add its internal sqlite_sequence; a view is no table.
  file.Execute("CREATE TABLE DATA_AA (id INTEGER PRIMARY KEY AUTOINCREMENT); CREATE VIEW V AS SELECT 1;");
  const TableDefs tables = Database(file.Path()).ListTableDefs();
  ASSERT_EQ(tables.Count(), 4);
  EXPECT_EQ(tables.Item(0).Name(), "UNITS_AT");
  EXPECT_EQ(tables.Item(1).Name(), "DATA_AT");
  EXPECT_EQ(tables.Item(2).Name(), "DATA_BE");
  EXPECT_EQ(tables.Item(3).Name(), "DATA_AA");
  EXPECT_THROW(tables.Item(4), DbError);
}

TEST(TableDefs, FindsATableByNameInAnyCaseWithItsColumnsInOrder) {
  testing::ScratchDatabase file;
  const TableDefs tables = Database(file.Path()).ListTableDefs();
  const TableDef& data = tables.Item("Data_at");
  EXPECT_EQ(data.Name(), "DATA_AT");
  ASSERT_EQ(data.FieldCount(), 6);
  EXPECT_EQ(data.Field(0).Name, "AREAHA");
  EXPECT_EQ(data.Field(3).Name, "change1");
  EXPECT_EQ(data.Field(5).Name, "N1");
  try {
    tables.Item("DATA_FR");
    FAIL() << "no error";
  } catch (const DbError& error) {
    EXPECT_EQ(error.Number(), kItemNotFound);
  }
}

}  // namespace
}  // namespace quorvia::db
