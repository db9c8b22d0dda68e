#pragma once

#include <memory>
#include <string>

#include "db/database_backend.h"
#include "db/sqlite_connection.h"
#include "db/transaction_nesting.h"

struct sqlite3;

namespace quorvia::db {

// An SQLite file. Stored queries are views that any SQLite client reads.
class SqliteBackend final : public DatabaseBackend {
 public:
  // Opens an existing file; DbError when it is missing or no database.
  explicit SqliteBackend(const std::string& path);

  const std::string& Location() const noexcept override { return connection_.Path(); }
  std::vector<TableDef> ReadTables() override;
  std::unique_ptr<Recordset> OpenRecordset(const std::string& programSql) override;
  void CheckQuery(const std::string& programSql) override;
  std::vector<QueryDef> ReadQueryDefs() override;
  void DropQueryDef(const std::string& storedName) override;
  void CreateQueryDef(const std::string& name, const std::string& programSql) override;
  std::unique_ptr<DatabaseBackend> OpenAnother() const override;
  std::optional<GroupedSum> ReadGroupedSumInParts(DatabaseBackend& beside,
                                                  const GroupedSumRequest& request) override;
  // sqlite3_interrupt, which SQLite allows from any thread while the connection is open.
  void Interrupt() noexcept override;
  void BeginTrans() override;
  void CommitTrans() override;
  void Rollback() override;

 private:
  sqlite3* Handle() const noexcept { return connection_.Handle(); }
  void ExecuteNative(const std::string& sqliteSql) { connection_.Execute(sqliteSql); }

  SqliteConnection connection_;
  // The outermost transaction takes the write lock at its start. A deferred one that has read and then wants
  // to write cannot wait for another writer: SQLite fails it at once with SQLITE_BUSY, whatever the busy
  // timeout, because waiting could deadlock. Taken first, the lock waits like any other statement.
  TransactionNesting transactions_{"BEGIN IMMEDIATE"};
};

// The user tables of an open SQLite file (system tables left out), in creation order, each with its
// columns in declaration order and their declared types.
std::vector<TableDef> ReadSqliteTables(sqlite3* handle);

}  // namespace quorvia::db
