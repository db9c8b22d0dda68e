#include "sqlite_connection.h"

#include <stdexcept>

namespace quorvia::tools {

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql)
    : db_(db), statement_(nullptr, &sqlite3_finalize) {
  sqlite3_stmt* raw = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
  statement_.reset(raw);
  Check(rc, "prepare \"" + std::string(sql) + "\"");
}

void SqliteStatement::BindText(int index, std::string_view text) {
  Check(sqlite3_bind_text(statement_.get(), index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC),
        "bind a text");
}

void SqliteStatement::BindOptionalText(int index, const std::string* text) {
  if (text == nullptr) {
    Check(sqlite3_bind_null(statement_.get(), index), "bind NULL");
  } else {
    BindText(index, *text);
  }
}

void SqliteStatement::BindDouble(int index, double value) {
  Check(sqlite3_bind_double(statement_.get(), index, value), "bind a number");
}

void SqliteStatement::Step() {
  const int rc = sqlite3_step(statement_.get());
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) Check(rc, "write a row");
}

void SqliteStatement::Reset() { Check(sqlite3_reset(statement_.get()), "reset a statement"); }

void SqliteStatement::Check(int resultCode, std::string_view action) const {
  if (resultCode == SQLITE_OK) return;
  throw std::runtime_error("SQLite could not " + std::string(action) + ": " + sqlite3_errmsg(db_));
}

SqliteConnection::SqliteConnection(const std::string& path) : path_(path), db_(nullptr, &sqlite3_close_v2) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  db_.reset(raw);  // SQLite hands out a handle even on failure; it must be closed all the same
  if (rc != SQLITE_OK) Fail("open the file");
}

void SqliteConnection::Execute(const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return;
  const std::string text = message != nullptr ? message : sqlite3_errmsg(db_.get());
  sqlite3_free(message);
  throw std::runtime_error("SQLite could not run \"" + sql + "\" on " + path_ + ": " + text);
}

SqliteStatement SqliteConnection::Prepare(std::string_view sql) { return SqliteStatement(db_.get(), sql); }

void SqliteConnection::Close() {
  if (sqlite3_close(db_.get()) != SQLITE_OK) Fail("close the file");
  db_.release();  // closed above
}

void SqliteConnection::Fail(std::string_view action) const {
  const std::string reason = db_ ? sqlite3_errmsg(db_.get()) : "out of memory";
  throw std::runtime_error("SQLite could not " + std::string(action) + " " + path_ + ": " + reason);
}

}  // namespace quorvia::tools
