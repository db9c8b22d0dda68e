#pragma once

#include <optional>
#include <span>
#include <string>

#include "access_import/access_reader.h"
#include "db/sqlite_connection.h"
#include "db/sqlite_statement.h"

namespace quorvia::access_import {

// A new SQLite database that receives the converted tables in one transaction, through one prepared
// INSERT per table. Failures throw std::runtime_error with SQLite's message; the caller says where.
class SqliteTarget {
 public:
  // Creates the file, which must not exist yet.
  explicit SqliteTarget(const std::string& path);
  SqliteTarget(const SqliteTarget&) = delete;
  SqliteTarget& operator=(const SqliteTarget&) = delete;

  // Creates the table with its columns' declared types and prepares its INSERT.
  void CreateTable(const import_rows::Table& table);
  void Insert(std::span<const import_rows::Cell> row);
  // Gives the change tables the indexes the program's queries use, commits and closes; the file is
  // complete once this returns.
  void Commit();

 private:
  void Execute(const std::string& sql);

  db::SqliteConnection connection_;
  std::optional<db::SqliteStatement> insert_;  // for the table made last; none for a table without columns
};

}  // namespace quorvia::access_import
