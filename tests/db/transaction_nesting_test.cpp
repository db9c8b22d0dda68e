#include "db/transaction_nesting.h"

#include <gtest/gtest.h>

#include "db/database.h"
#include "db/db_error.h"
#include "scratch_database.h"

namespace quorvia::db {
namespace {

constexpr const char* kAreaQuery = "SELECT sum(AREAHA) as AREA from DATA_AT";

// Nesting on a real file: a level inside a transaction is undone alone, and the count of open levels never
// drifts from what the file really holds.
TEST(NestedTransactionsOnFile, AnInnerRollbackUndoesOnlyItsOwnLevel) {
  testing::ScratchDatabase file;
  Database database(file.Path());
  database.BeginTrans();
  database.CreateQueryDef("KEPT", kAreaQuery);
  database.BeginTrans();
  database.CreateQueryDef("UNDONE", kAreaQuery);
  database.BeginTrans();
  database.CreateQueryDef("ALSO_UNDONE", kAreaQuery);
  database.CommitTrans();
  database.Rollback();
  database.CommitTrans();
  EXPECT_EQ(file.RunShell("SELECT name FROM sqlite_master WHERE type='view' ORDER BY name"), "KEPT\n");

  // Every level is closed: ending one more is refused or does nothing, and the next transaction is a real
  // one again that another connection does not see before its commit.
  EXPECT_THROW(database.CommitTrans(), DbError);
  EXPECT_NO_THROW(database.Rollback());
  database.BeginTrans();
  database.CreateQueryDef("LATER", kAreaQuery);
  EXPECT_EQ(file.RunShell("SELECT count(*) FROM sqlite_master WHERE name='LATER'"), "0\n");
  database.CommitTrans();
  EXPECT_EQ(file.RunShell("SELECT count(*) FROM sqlite_master WHERE name='LATER'"), "1\n");
}

// A commit that the engine refuses leaves its level open, so the rollback that follows undoes that level and
// not the one around it.
TEST(TransactionNesting, AFailedCommitLeavesItsLevelForTheRollback) {
  TransactionNesting nesting("BEGIN");
  std::vector<std::string> statements;
  const auto record = [&](const std::string& sql) { statements.push_back(sql); };
  nesting.Begin(record);
  nesting.Begin(record);
  EXPECT_THROW(nesting.Commit([](const std::string&) { throw DbError(kSqlError, "refused"); }), DbError);
  EXPECT_EQ(nesting.Depth(), 2);
  nesting.Rollback(record);
  nesting.Commit(record);
  EXPECT_EQ(statements, (std::vector<std::string>{"BEGIN", "SAVEPOINT quorvia_transaction_1",
                                                  "ROLLBACK TO SAVEPOINT quorvia_transaction_1",
                                                  "RELEASE SAVEPOINT quorvia_transaction_1", "COMMIT"}));
  EXPECT_THROW(nesting.Begin([](const std::string&) { throw DbError(kSqlError, "refused"); }), DbError);
  EXPECT_EQ(nesting.Depth(), 0);
}

}  // namespace
}  // namespace quorvia::db
