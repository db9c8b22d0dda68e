#pragma once

#include <memory>
#include <optional>
#include <string>

#include "db/database_backend.h"
#include "db/query_defs.h"
#include "db/recordset.h"
#include "db/table_defs.h"

namespace quorvia::db {

// An open database, shared and read-write: an SQLite file or a database on a PostgreSQL server (see
// DBEngine::OpenDatabase). SQL texts are taken in the program's dialect: text values stand in double quotes
// (a doubled double quote inside stands for one), and comparisons with them ignore letter case. Every
// failure is raised as DbError.
//
// Threads: a Database is used by one thread at a time, and nothing in it is locked; it may pass from one
// thread to another when the first has handed it over (a run started or ended, a future waited for). The
// window's thread reads the lists through it while no run goes, and the run thread owns it while one does.
// Two threads may query at the same time only through two Databases: OpenAnother gives the second
// connection, on which an update reads its area under std::async beside the run thread's query. One
// connection cannot serve two threads at once: a libpq connection carries one query at a time, and neither
// the open transaction nor the stored-query collection here is locked. The one exception is Interrupt,
// which any thread may call at any time while the Database lives.
class Database {
 public:
  // Opens an existing SQLite file; DbError when it is missing or no database.
  explicit Database(const std::string& path);
  explicit Database(std::unique_ptr<DatabaseBackend> backend);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // The file, or the server and database.
  const std::string& Path() const noexcept { return backend_->Location(); }

  TableDefs ListTableDefs() const;
  std::unique_ptr<Recordset> OpenRecordset(const std::string& sql);
  // DbError for a query that OpenRecordset would refuse or that does not compile; the query is not run.
  void CheckQuery(const std::string& sql);

  // A second connection to the same database, for a query that runs beside one on this connection at
  // the same time; nothing when the engine offers none. DbError when it cannot be opened.
  std::unique_ptr<Database> OpenAnother() const;
  // A grouped sum and its total read in parts on this connection and `beside` (from OpenAnother) at once,
  // so that both take a core, with the very figures of request.groupsSql and request.totalSql read whole;
  // nothing when the engine cannot promise that, and the caller reads them whole.
  std::optional<GroupedSum> ReadGroupedSumInParts(Database& beside, const GroupedSumRequest& request);

  // Stops the statement running on this connection, if any, from any thread (a stop asked for in the
  // window while the run thread queries): it fails with DbError kInterrupted (Interrupted() is true).
  // Statements started afterwards run as usual; nothing is remembered for them.
  void Interrupt() noexcept { backend_->Interrupt(); }

  QueryDefs& GetQueryDefs();
  // Stores a query at once. The query must compile; otherwise nothing is stored and DbError is raised.
  QueryDef CreateQueryDef(const std::string& name, const std::string& sql);

  // Transactions, so that a caller can make several changes count as one (see Transaction).
  void BeginTrans();
  void CommitTrans();
  void Rollback();

  // For the layer's own parts (the stored-query collection).
  DatabaseBackend& Backend() noexcept { return *backend_; }

 private:
  std::unique_ptr<DatabaseBackend> backend_;
  std::unique_ptr<QueryDefs> queryDefs_;
};

// Commits on Commit(); rolls back when it goes out of scope uncommitted.
class Transaction {
 public:
  explicit Transaction(Database& database);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  Database& database_;
  bool open_ = true;
};

}  // namespace quorvia::db
