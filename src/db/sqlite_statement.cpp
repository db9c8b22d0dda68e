#include "db/sqlite_statement.h"

#include <sqlite3.h>

#include "db/db_error.h"

namespace quorvia::db {

namespace {

int Length(std::string_view text) { return static_cast<int>(text.size()); }

// True when the rest of a text after its first statement holds another one (blanks, comments and empty
// statements between semicolons do not count).
bool HoldsFurtherStatement(sqlite3* handle, std::string_view rest) {
  while (!rest.empty()) {
    sqlite3_stmt* next = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(handle, rest.data(), Length(rest), &next, &tail);
    sqlite3_finalize(next);
    if (rc != SQLITE_OK || next != nullptr) return true;
    rest.remove_prefix(static_cast<std::size_t>(tail - rest.data()));
  }
  return false;
}

}  // namespace

void ThrowLastError(sqlite3* handle) {
  throw DbError(sqlite3_extended_errcode(handle), sqlite3_errmsg(handle));
}

void SqliteStatement::Finalizer::operator()(sqlite3_stmt* statement) const noexcept {
  sqlite3_finalize(statement);
}

SqliteStatement::SqliteStatement(sqlite3* handle, std::string_view sqliteSql) : handle_(handle) {
  sqlite3_stmt* prepared = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(handle, sqliteSql.data(), Length(sqliteSql), &prepared, &tail);
  statement_.reset(prepared);
  if (rc != SQLITE_OK) ThrowLastError(handle);
  if (!statement_) throw DbError(SQLITE_ERROR, "The SQL text holds no statement.");
  const std::string_view rest = sqliteSql.substr(static_cast<std::size_t>(tail - sqliteSql.data()));
  if (HoldsFurtherStatement(handle, rest)) {
    throw DbError(SQLITE_ERROR, "The SQL text holds more than one statement.");
  }
}

bool SqliteStatement::Step() {
  const int rc = sqlite3_step(statement_.get());
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  ThrowLastError(handle_);
}

void SqliteStatement::RunToEnd() {
  while (Step()) {
  }
}

bool SqliteStatement::ReadsOnly() const noexcept { return sqlite3_stmt_readonly(statement_.get()) != 0; }

int SqliteStatement::ColumnCount() const noexcept { return sqlite3_column_count(statement_.get()); }

std::string SqliteStatement::ColumnName(int column) const {
  const char* name = sqlite3_column_name(statement_.get(), column);
  return name ? std::string(name) : std::string();
}

bool SqliteStatement::ColumnIsBlob(int column) const noexcept {
  return sqlite3_column_type(statement_.get(), column) == SQLITE_BLOB;
}

FieldValue SqliteStatement::Column(int column) const {
  sqlite3_stmt* statement = statement_.get();
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
      return FieldValue(std::int64_t{sqlite3_column_int64(statement, column)});
    case SQLITE_FLOAT:
      return FieldValue(sqlite3_column_double(statement, column));
    case SQLITE_NULL:
      return FieldValue();
    case SQLITE_TEXT: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      const int size = sqlite3_column_bytes(statement, column);
      return FieldValue(std::string(text ? text : "", static_cast<std::size_t>(size)));
    }
    default: {  // a blob is read as its bytes
      const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
      const int size = sqlite3_column_bytes(statement, column);
      return FieldValue(std::string(bytes ? bytes : "", static_cast<std::size_t>(size)));
    }
  }
}

void SqliteStatement::BindText(int parameter, std::string_view text) {
  if (sqlite3_bind_text(statement_.get(), parameter, text.data(), Length(text), SQLITE_TRANSIENT) !=
      SQLITE_OK) {
    ThrowLastError(handle_);
  }
}

void SqliteStatement::BindOptionalText(int parameter, const std::optional<std::string>& text) {
  if (text) {
    BindText(parameter, *text);
  } else {
    BindNull(parameter);
  }
}

void SqliteStatement::BindInt64(int parameter, std::int64_t value) {
  if (sqlite3_bind_int64(statement_.get(), parameter, value) != SQLITE_OK) ThrowLastError(handle_);
}

void SqliteStatement::BindBlob(int parameter, std::string_view bytes) {
  if (sqlite3_bind_blob(statement_.get(), parameter, bytes.data(), Length(bytes), SQLITE_TRANSIENT) !=
      SQLITE_OK) {
    ThrowLastError(handle_);
  }
}

void SqliteStatement::BindNull(int parameter) {
  if (sqlite3_bind_null(statement_.get(), parameter) != SQLITE_OK) ThrowLastError(handle_);
}

void SqliteStatement::BindDouble(int parameter, double value) {
  if (sqlite3_bind_double(statement_.get(), parameter, value) != SQLITE_OK) ThrowLastError(handle_);
}

void SqliteStatement::Reset() {
  if (sqlite3_reset(statement_.get()) != SQLITE_OK) ThrowLastError(handle_);
}

}  // namespace quorvia::db
