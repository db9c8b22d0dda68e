#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <string_view>

namespace quorvia::tools {

// One prepared statement, reused for every row: bind, Step, Reset. Bound texts must outlive the next Step,
// which lets inserts bind without copying.
class SqliteStatement {
 public:
  SqliteStatement(sqlite3* db, std::string_view sql);

  void BindText(int index, std::string_view text);            // index counts from 1, as in SQLite
  void BindOptionalText(int index, const std::string* text);  // nullptr binds NULL
  void BindDouble(int index, double value);
  void Step();   // runs a statement that returns no rows
  void Reset();  // makes the statement ready for the next row (bindings are replaced one by one)

 private:
  void Check(int resultCode, std::string_view action) const;

  sqlite3* db_;
  std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement_;
};

// A database file opened (and created if missing) for writing. Failures become std::runtime_error carrying
// SQLite's own message and the file name.
class SqliteConnection {
 public:
  explicit SqliteConnection(const std::string& path);

  void Execute(const std::string& sql);
  SqliteStatement Prepare(std::string_view sql);
  // Closes the file now so that failures to flush it are reported; the destructor only closes quietly.
  void Close();

 private:
  [[noreturn]] void Fail(std::string_view action) const;

  std::string path_;
  std::unique_ptr<sqlite3, int (*)(sqlite3*)> db_;
};

}  // namespace quorvia::tools
