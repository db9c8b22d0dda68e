#include "db/query_defs.h"

#include <gtest/gtest.h>

#include "db/database.h"
#include "db/db_error.h"
#include "scratch_database.h"

namespace quorvia::db {
namespace {

constexpr std::string_view kChangeQuery =
    R"(SELECT change1 as CHANGE, sum(AREAHA) as AREA from DATA_AT where  N0CD = "at" AND WSCODE = "W7" group by change1)";

class QueryDefsOnFile : public ::testing::Test {
 protected:
  int StoredViewCount() {
    return std::stoi(file_.RunShell("SELECT count(*) FROM sqlite_master WHERE type='view'"));
  }

  testing::ScratchDatabase file_;
  Database database_{file_.Path()};
};

TEST_F(QueryDefsOnFile, StoredQueryKeepsItsExactTextAndAnySqliteClientReadsIt) {
  database_.CreateQueryDef("FILTERED", std::string(kChangeQuery));
  QueryDefs& queries = database_.GetQueryDefs();
  ASSERT_EQ(queries.Count(), 1);
  EXPECT_EQ(queries.Item(0).Name, "FILTERED");
  EXPECT_EQ(queries.Item(0).SQL, kChangeQuery);

  EXPECT_EQ(file_.RunShell("SELECT * FROM FILTERED"), "x1|312.4\nx2|3.0\n");
  EXPECT_EQ(Database(file_.Path()).GetQueryDefs().Item(0).SQL, kChangeQuery);  // kept in the file
}

TEST_F(QueryDefsOnFile, DeleteIgnoresCaseAndRefreshRereadsTheFile) {
  database_.CreateQueryDef("FILTERED", "SELECT 1 AS one");
  QueryDefs& queries = database_.GetQueryDefs();
  queries.Delete("filtered");
  EXPECT_EQ(queries.Count(), 0);
  EXPECT_EQ(StoredViewCount(), 0);
  EXPECT_THROW(queries.Delete("FILTERED"), DbError);

  file_.Execute("CREATE VIEW OTHER AS SELECT N1 FROM UNITS_AT");  // another client's view
  queries.Refresh();
  ASSERT_EQ(queries.Count(), 1);
  EXPECT_EQ(queries.Item(0).SQL, "SELECT N1 FROM UNITS_AT");
}

TEST_F(QueryDefsOnFile, ViewThatDoesNotCompileIsNotStored) {
  const auto count = [this] { return database_.GetQueryDefs().Count(); };
  EXPECT_THROW(database_.CreateQueryDef("FILTERED", "SELECT change1 FROM DATA_BE"), DbError);
  EXPECT_THROW(database_.CreateQueryDef("FILTERED", R"(SELECT * FROM DATA_AT WHERE WSCODE = "W7)"), DbError);
  EXPECT_THROW(database_.CreateQueryDef("FILTERED", "SELECT 1; DROP TABLE DATA_AT"), DbError);
  EXPECT_EQ(count(), 0);
  EXPECT_EQ(StoredViewCount(), 0);
  EXPECT_EQ(database_.ListTableDefs().Count(), 3);
}

TEST_F(QueryDefsOnFile, FailedReplacementInATransactionKeepsTheOldQuery) {
  database_.CreateQueryDef("FILTERED", "SELECT 1 AS old");
  {
    Transaction replacing(database_);
    database_.GetQueryDefs().Delete("FILTERED");
    EXPECT_THROW(database_.CreateQueryDef("FILTERED", "SELECT nosuchcolumn FROM DATA_AT"), DbError);
  }
  ASSERT_EQ(database_.GetQueryDefs().Count(), 1);
  EXPECT_EQ(database_.GetQueryDefs().Item(0).SQL, "SELECT 1 AS old");
  EXPECT_EQ(file_.RunShell("SELECT * FROM FILTERED"), "1\n");
}

TEST_F(QueryDefsOnFile, CommittedReplacementIsStored) {
  database_.CreateQueryDef("FILTERED", "SELECT 1 AS old");
  Transaction replacing(database_);
  database_.GetQueryDefs().Delete("FILTERED");
  database_.CreateQueryDef("FILTERED", "SELECT 2 AS new");
  replacing.Commit();
  EXPECT_EQ(Database(file_.Path()).GetQueryDefs().Item(0).SQL, "SELECT 2 AS new");
}

}  // namespace
}  // namespace quorvia::db
