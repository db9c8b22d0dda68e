#pragma once

#include <memory>
#include <string>

#include "db/database_backend.h"
#include "db/pg/pg_connection.h"
#include "db/transaction_nesting.h"
#include "db/view_definition.h"

namespace quorvia::db::pg {

// A database on a PostgreSQL server, shared by a team. The DATA_ and UNITS_ tables are shared and only read;
// every stored query lives in the login role's own schema (named after the role), so that each analyst's
// FILTERED is their own. The schema is made with the first stored query when it is missing.
class PgBackend final : public DatabaseBackend {
 public:
  // Connects and checks that the role can work here (the case-blind collation exists, the role may read
  // every DATA_ and UNITS_ table and may create in its own schema, or make it). DbError naming the server
  // and the database otherwise; nothing is written.
  explicit PgBackend(const std::string& conninfo);

  const std::string& Location() const noexcept override { return connection_.Describe(); }
  std::vector<TableDef> ReadTables() override;
  std::unique_ptr<Recordset> OpenRecordset(const std::string& programSql) override;
  void CheckQuery(const std::string& programSql) override;
  std::vector<QueryDef> ReadQueryDefs() override;
  void DropQueryDef(const std::string& storedName) override;
  void CreateQueryDef(const std::string& name, const std::string& programSql) override;
  std::unique_ptr<DatabaseBackend> OpenAnother() const override;
  // A cancel request to the server for this connection's statement (see PgConnection::Cancel).
  void Interrupt() noexcept override { connection_.Cancel(); }
  void BeginTrans() override;
  void CommitTrans() override;
  void Rollback() override;

  PgConnection& Connection() noexcept { return connection_; }
  // The role's own schema, quoted for SQL.
  std::string OwnSchema() const { return QuoteIdentifier(role_); }

 private:
  void CheckRole();
  // After a lost connection, outside a transaction, connects again before the next statement.
  void EnsureOpen();
  template <class Work>
  void Atomically(Work work);
  TransactionNesting::Execute Executor();

  const std::string conninfo_;
  PgConnection connection_;
  std::string role_;
  TransactionNesting transactions_{"BEGIN"};
};

}  // namespace quorvia::db::pg
