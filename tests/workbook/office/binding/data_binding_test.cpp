// The workbook's record of its data connection and the read of the stored query, on a real SQLite file.
#include <gtest/gtest.h>

#include "office_test_support.h"
#include "workbook/office/binding/data_binding.h"
#include "workbook/office/binding/stored_query_reader.h"

namespace quorvia::workbook::office::testing {
namespace {

TEST(DataBindingRecord, RoundTripsAndRejectsAnythingThatIsNotAPlainFileAndQuery) {
  const DataBinding binding{"MOSA_DB.mdb", "FILTERED"};
  EXPECT_EQ(FormatBindingRecord(binding), "sqlite:MOSA_DB.mdb#FILTERED");
  EXPECT_EQ(ParseBindingRecord("sqlite:MOSA_DB.mdb#FILTERED"), binding);
  EXPECT_EQ(ParseBindingRecord("sqlite:my#db.mdb#Q_1"), (DataBinding{"my#db.mdb", "Q_1"}));
  for (const char* text :
       {"", "MOSA_DB.mdb#FILTERED", "SQLITE:MOSA_DB.mdb#FILTERED", "sqlite:MOSA_DB.mdb", "sqlite:#FILTERED",
        "sqlite:MOSA_DB.mdb#", "sqlite:../MOSA_DB.mdb#FILTERED", "sqlite:/etc/passwd#FILTERED",
        "sqlite:..#FILTERED", "sqlite:MOSA_DB.mdb#FILTERED; DROP TABLE DATA_AT", "sqlite:MOSA_DB.mdb#1ST",
        "sqlite:MOSA_DB.mdb#\"FILTERED\""}) {
    EXPECT_FALSE(ParseBindingRecord(text).has_value()) << text;
  }
}

TEST(StoredQueryReader, ReadsTypedRowsAndRefusesToCutOrToCreate) {
  TempFolder folder("quorvia-reader");
  const auto file = folder.Path() / "MOSA_DB.mdb";
  ExecuteSql(file,
             "CREATE VIEW FILTERED AS SELECT 'a' AS CHANGE, 1.5 AS AREA UNION ALL SELECT NULL, 2 "
             "UNION ALL SELECT '0007', NULL ORDER BY 2;");
  const auto table = ReadStoredQuery(file.string(), "FILTERED", 25, 3);
  EXPECT_EQ(table.columns, (std::vector<std::string>{"CHANGE", "AREA"}));
  ASSERT_EQ(table.rows.size(), 3u);
  EXPECT_EQ(table.rows[0][0], QueryValue(std::string("0007")));
  EXPECT_EQ(table.rows[0][1], QueryValue(std::monostate{}));
  EXPECT_EQ(table.rows[1][1], QueryValue(1.5));
  EXPECT_EQ(table.rows[2][0], QueryValue(std::monostate{}));
  EXPECT_EQ(table.rows[2][1], QueryValue(2.0));

  EXPECT_THROW(ReadStoredQuery(file.string(), "FILTERED", 25, 2), AutomationError);
  EXPECT_THROW(ReadStoredQuery(file.string(), "FILTERED", 1, 3), AutomationError);
  EXPECT_THROW(ReadStoredQuery(file.string(), "NO_SUCH_VIEW", 25, 3), AutomationError);
  const auto missing = folder.Path() / "missing.mdb";
  try {
    ReadStoredQuery(missing.string(), "FILTERED", 25, 3);
    FAIL();
  } catch (const AutomationError& error) {
    EXPECT_NE(std::string(error.what()).find(missing.string()), std::string::npos) << error.what();
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
