#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "db/field_value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace quorvia::db {

// Raises the last failure of the connection as DbError (SQLite's extended code and its message).
[[noreturn]] void ThrowLastError(sqlite3* handle);

// One prepared SQLite statement, the one statement wrapper of the program and its tools. A text that holds no
// statement, or more than one, is refused: a stray "; DROP TABLE ..." after a query must never run.
class SqliteStatement {
 public:
  SqliteStatement(sqlite3* handle, std::string_view sqliteSql);

  bool Step();  // true while a row is ready; DbError on failure
  void RunToEnd();
  bool ReadsOnly() const noexcept;
  int ColumnCount() const noexcept;
  std::string ColumnName(int column) const;
  FieldValue Column(int column) const;  // a blob comes as the text of its bytes
  bool ColumnIsBlob(int column) const noexcept;
  // Parameters count from 1, as in SQLite; a bound value stays until it is bound again.
  void BindText(int parameter, std::string_view text);
  void BindOptionalText(int parameter, const std::optional<std::string>& text);  // nothing binds NULL
  void BindDouble(int parameter, double value);
  void BindInt64(int parameter, std::int64_t value);
  void BindBlob(int parameter, std::string_view bytes);
  void BindNull(int parameter);
  // Makes the statement ready to run again, for the next row of an insert.
  void Reset();

 private:
  struct Finalizer {
    void operator()(sqlite3_stmt* statement) const noexcept;
  };
  sqlite3* handle_;
  std::unique_ptr<sqlite3_stmt, Finalizer> statement_;
};

}  // namespace quorvia::db
