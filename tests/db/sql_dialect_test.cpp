#include "db/sql_dialect.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "db/database.h"
#include "db/db_error.h"
#include "scratch_database.h"

namespace quorvia::db {
namespace {

TEST(SqlDialect, EmptyTextValueBecomesCaseBlindLiteral) {
  EXPECT_EQ(ToSqlite(R"(SELECT DISTINCT WSCODE FROM UNITS_AT WHERE WSCODE <> "")"),
            "SELECT DISTINCT WSCODE FROM UNITS_AT WHERE WSCODE <> '' COLLATE NOCASE");
}

TEST(SqlDialect, QuotesInsideValuesAndUtf8SurviveTranslation) {
  EXPECT_EQ(ToSqlite(R"(x = "it's ""big"" in España")"), "x = 'it''s \"big\" in España' COLLATE NOCASE");
  EXPECT_EQ(ToSqlite(R"(x = """")"), "x = '\"' COLLATE NOCASE");
  EXPECT_EQ(QuoteValue("a\"b"), "\"a\"\"b\"");
}

TEST(SqlDialect, QuotedNamesLiteralsAndCommentsPassThrough) {
  const std::string sql = "SELECT 'say \"hi\"', 'it''s', [odd \"name] -- a \"note\"\n/* \"x\" */ FROM T";
  EXPECT_EQ(ToSqlite(sql), sql);
}

TEST(SqlDialect, UnterminatedValueIsAnError) {
  try {
    ToSqlite(R"(SELECT * FROM DATA_AT WHERE WSCODE = "W7)");
    FAIL() << "no error";
  } catch (const DbError& error) {
    EXPECT_EQ(error.Number(), SQLITE_ERROR);
    EXPECT_NE(error.Description().find("never closed"), std::string::npos);
  }
}

// The values below run against a real file: a value spelled like a column, a value in another letter
// case than the stored one, and values that carry quotes must all compare as plain texts.
class DialectOnFile : public ::testing::Test {
 protected:
  std::string Count(const std::string& where) {
    auto result = database_.OpenRecordset("SELECT count(*) AS n FROM DATA_AT WHERE " + where);
    return result->Value("n").ToString();
  }
  testing::ScratchDatabase file_;
  Database database_{file_.Path()};
};

TEST_F(DialectOnFile, ValueSpelledLikeAColumnStaysAValue) {
  EXPECT_EQ(Count(R"(WSCODE = "N1")"), "1");  // read as the column N1 it would match no row
}

TEST_F(DialectOnFile, ValuesCompareWithoutRegardToLetterCase) {
  EXPECT_EQ(Count(R"( N0CD = "at")"), "3");
  EXPECT_EQ(Count(R"( N0CD = "AT" AND WSCODE = "w7")"), "2");
}

TEST_F(DialectOnFile, QuotedAndUtf8ValuesReachTheEngineIntact) {
  file_.Execute(
      "INSERT INTO DATA_AT (AREAHA, N0CD, WSCODE) VALUES (1, 'ES', 'España'), (1, 'ES', 'it''s \"q\"');");
  EXPECT_EQ(Count(R"(WSCODE = "España")"), "1");
  EXPECT_EQ(Count(R"(WSCODE = "it's ""q""")"), "1");
}

}  // namespace
}  // namespace quorvia::db
