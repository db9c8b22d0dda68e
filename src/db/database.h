#pragma once

#include <memory>
#include <string>

#include "db/query_defs.h"
#include "db/recordset.h"
#include "db/sqlite_connection.h"
#include "db/table_defs.h"

namespace quorvia::db {

// An open database file, shared and read-write. SQL texts are taken in the program's dialect: text values
// stand in double quotes (a doubled double quote inside stands for one), and comparisons with them ignore
// letter case. Every failure is raised as DbError.
class Database {
 public:
  // Opens an existing file; DbError when it is missing or no database.
  explicit Database(const std::string& path);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::string& Path() const noexcept { return path_; }

  TableDefs ListTableDefs() const;
  std::unique_ptr<Recordset> OpenRecordset(const std::string& sql);

  QueryDefs& GetQueryDefs();
  // Stores a view at once. The view must compile; otherwise nothing is stored and DbError is raised.
  QueryDef CreateQueryDef(const std::string& name, const std::string& sql);

  // Transactions, so that a caller can make several changes count as one (see Transaction).
  void BeginTrans();
  void CommitTrans();
  void Rollback();

  // For the layer's own parts: runs plain SQLite SQL with no result.
  void ExecuteNative(const std::string& sqliteSql);
  sqlite3* Handle() const noexcept { return connection_.Handle(); }

 private:
  std::string path_;
  SqliteConnection connection_;
  std::unique_ptr<QueryDefs> queryDefs_;
  int transactionDepth_ = 0;  // open BeginTrans calls; the outermost is a real transaction
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
