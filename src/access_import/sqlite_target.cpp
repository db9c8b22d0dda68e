#include "sqlite_target.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "view_definition.h"

namespace quorvia::access_import {

SqliteTarget::SqliteTarget(const std::string& path) {
  // The file is new and thrown away on any failure, so it needs no rollback journal while it fills;
  // durability comes from the sync before it is renamed into place.
  if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXRESCODE,
                      nullptr) != SQLITE_OK) {
    Fail("create the database");
  }
  Execute("PRAGMA journal_mode=OFF");
  Execute("PRAGMA synchronous=OFF");
  Execute("PRAGMA locking_mode=EXCLUSIVE");
  Execute("BEGIN");
}

SqliteTarget::~SqliteTarget() {
  sqlite3_finalize(insert_);
  sqlite3_close_v2(db_);
}

void SqliteTarget::CreateTable(const AccessTable& table) {
  std::string create = "CREATE TABLE " + db::QuoteIdentifier(table.name) + " (";
  std::string insert = "INSERT INTO " + db::QuoteIdentifier(table.name) + " VALUES (";
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const char* separator = i == 0 ? "" : ", ";
    create += separator + db::QuoteIdentifier(table.columns[i].name) + " " + table.columns[i].declaredType;
    insert += separator + std::string("?");
  }
  Execute(create + ")");
  sqlite3_finalize(insert_);
  insert_ = nullptr;
  if (table.columns.empty()) return;  // a table without columns holds no values to insert
  if (sqlite3_prepare_v3(db_, (insert + ")").c_str(), -1, SQLITE_PREPARE_PERSISTENT, &insert_, nullptr) !=
      SQLITE_OK) {
    Fail("prepare the insert");
  }
}

void SqliteTarget::Insert(std::span<const Cell> row) {
  if (insert_ == nullptr) return;
  for (std::size_t i = 0; i < row.size(); ++i) {
    const int parameter = static_cast<int>(i) + 1;
    const Cell& cell = row[i];
    if (const auto* integer = std::get_if<std::int64_t>(&cell)) {
      sqlite3_bind_int64(insert_, parameter, *integer);
    } else if (const auto* real = std::get_if<double>(&cell)) {
      sqlite3_bind_double(insert_, parameter, *real);
    } else if (const auto* text = std::get_if<std::string>(&cell)) {
      sqlite3_bind_text(insert_, parameter, text->data(), static_cast<int>(text->size()), SQLITE_STATIC);
    } else if (const auto* blob = std::get_if<Blob>(&cell)) {
      sqlite3_bind_blob(insert_, parameter, blob->bytes.data(), static_cast<int>(blob->bytes.size()),
                        SQLITE_STATIC);
    } else {
      sqlite3_bind_null(insert_, parameter);
    }
  }
  if (sqlite3_step(insert_) != SQLITE_DONE) Fail("insert the row");
  sqlite3_reset(insert_);
}

void SqliteTarget::Commit() {
  sqlite3_finalize(insert_);
  insert_ = nullptr;
  Execute("COMMIT");
  if (sqlite3_close(db_) != SQLITE_OK) Fail("close the database");
  db_ = nullptr;
}

void SqliteTarget::Execute(const std::string& sql) {
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) Fail("run " + sql);
}

void SqliteTarget::Fail(const std::string& doing) {
  const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
  const int code = db_ != nullptr ? sqlite3_extended_errcode(db_) : SQLITE_NOMEM;
  throw std::runtime_error("cannot " + doing + ": " + message + " (SQLite error " + std::to_string(code) +
                           ")");
}

void SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const bool synced = fd >= 0 && ::fsync(fd) == 0;
  const int error = errno;
  if (fd >= 0) ::close(fd);
  if (!synced) throw std::runtime_error("cannot flush " + path + " to disk: " + std::strerror(error));
}

}  // namespace quorvia::access_import
