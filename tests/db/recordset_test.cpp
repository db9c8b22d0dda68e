#include "db/recordset.h"

#include <gtest/gtest.h>

#include "db/database.h"
#include "db/db_error.h"
#include "scratch_database.h"

namespace quorvia::db {
namespace {

template <class Action>
int ErrorNumberOf(Action action) {
  try {
    action();
  } catch (const DbError& error) {
    return error.Number();
  }
  return 0;
}

class RecordsetOnFile : public ::testing::Test {
 protected:
  testing::ScratchDatabase file_;
  Database database_{file_.Path()};
};

TEST_F(RecordsetOnFile, FreshResultCountsEveryRowAndWalksThemInOrder) {
  auto result = database_.OpenRecordset("SELECT N1 FROM UNITS_AT ORDER BY N1");
  EXPECT_EQ(result->RecordCount(), 3);
  std::string seen;
  for (result->MoveFirst(); !result->Eof(); result->MoveNext()) seen += result->Value("n1").ToString() + ";";
  EXPECT_EQ(seen, "AT1;AT2;AT3;");
  EXPECT_EQ(ErrorNumberOf([&] { result->MoveNext(); }), kNoCurrentRecord);
  EXPECT_EQ(ErrorNumberOf([&] { result->Value("N1"); }), kNoCurrentRecord);
}

TEST_F(RecordsetOnFile, EmptyResultHasNoCurrentRecord) {
  auto result = database_.OpenRecordset(R"(SELECT STATUS FROM UNITS_AT WHERE STATUS = "none")");
  EXPECT_TRUE(result->Eof());
  EXPECT_EQ(result->RecordCount(), 0);
  try {
    result->MoveFirst();
    FAIL() << "no error";
  } catch (const DbError& error) {
    EXPECT_EQ(error.Number(), kNoCurrentRecord);
    EXPECT_EQ(error.Description(), "No current record.");
  }
}

TEST_F(RecordsetOnFile, FieldsAreFoundByAliasInAnyLetterCase) {
  auto result = database_.OpenRecordset(
      "SELECT change2 as CHANGE, sum(AREAHA) as AREA, 7 AS n, NULL AS blank "
      "FROM DATA_AT GROUP BY change2 ORDER BY change2");
  EXPECT_EQ(result->FieldName(0), "CHANGE");
  EXPECT_EQ(result->Value("change").ToString(), "c1");
  EXPECT_EQ(result->Value("Area").ToString(), "812.9");
  EXPECT_EQ(result->Value("N").ToString(), "7");
  EXPECT_EQ(result->Value("blank").ToString(), "");
  EXPECT_TRUE(result->Value("blank").IsNull());
  result->MoveNext();
  EXPECT_EQ(result->Value("AREA").ToString(), "3");
  try {
    result->Value("AREAHA");
    FAIL() << "no error";
  } catch (const DbError& error) {
    EXPECT_EQ(error.Number(), kItemNotFound);
    EXPECT_EQ(error.Description(), "Item not found in this collection.");
  }
}

TEST_F(RecordsetOnFile, SumOverNoRowsIsNullAndTextsConvertToNumbers) {
  auto result =
      database_.OpenRecordset(R"(SELECT sum(AREAHA) as area, '12.5' AS t, 'abc' AS u FROM DATA_BE)");
  EXPECT_TRUE(result->Value("area").IsNull());
  EXPECT_EQ(result->Value("area").ToDouble(), 0.0);
  EXPECT_EQ(result->Value("t").ToDouble(), 12.5);
  EXPECT_EQ(result->Value("u").ToDouble(), 0.0);
}

TEST_F(RecordsetOnFile, CloseReleasesTheRows) {
  auto result = database_.OpenRecordset("SELECT * FROM UNITS_AT");
  result->Close();
  EXPECT_EQ(result->RecordCount(), 0);
  EXPECT_TRUE(result->Eof());
}

TEST_F(RecordsetOnFile, OnlyOneReadingQueryIsRun) {
  EXPECT_NE(ErrorNumberOf([&] { database_.OpenRecordset("SELECT 1; DELETE FROM DATA_AT"); }), 0);
  EXPECT_NE(ErrorNumberOf([&] { database_.OpenRecordset("DELETE FROM DATA_AT"); }), 0);
  EXPECT_NE(ErrorNumberOf([&] { database_.OpenRecordset("SELECT nosuchcolumn FROM DATA_AT"); }), 0);
  EXPECT_EQ(database_.OpenRecordset("SELECT * FROM DATA_AT;")->RecordCount(), 3);
}

}  // namespace
}  // namespace quorvia::db
