#pragma once

#include <string>

#include "db/sqlite_connection.h"
#include "server_import/row_source.h"

namespace quorvia::server_import {

// The tables of an SQLite database file of the program (MOSA_DB.mdb), opened read-only.
class SqliteRowSource final : public RowSource {
 public:
  // std::runtime_error naming the file when it is missing or no database.
  explicit SqliteRowSource(const std::string& path);
  ~SqliteRowSource() override;

  const std::string& Name() const override { return path_; }
  const std::vector<SourceTable>& Tables() const override { return tables_; }
  int StoredQueryCount() const override { return storedQueries_; }
  void ReadRows(std::size_t index, const RowFn& onRow) override;

 private:
  std::string path_;
  db::SqliteConnection connection_;
  std::vector<SourceTable> tables_;
  std::vector<std::string> readSql_;  // per table: the statement that reads all its rows
  int storedQueries_ = 0;
};

}  // namespace quorvia::server_import
