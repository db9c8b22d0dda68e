#include "db/sqlite_connection.h"

#include <sqlite3.h>

#include "db/db_error.h"

namespace quorvia::db {

namespace {

// SQLite reads a name that begins with "file:" as a URI; a relative path like that must stay a path.
std::string FileNameForOpen(const std::string& path) {
  return path.starts_with("file:") ? "./" + path : path;
}

}  // namespace

void SqliteConnection::Closer::operator()(sqlite3* handle) const noexcept { sqlite3_close_v2(handle); }

SqliteConnection::SqliteConnection(const std::string& path, int openFlags) : path_(path) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(FileNameForOpen(path).c_str(), &raw, openFlags, nullptr);
  handle_.reset(raw);  // SQLite hands out a handle even on failure; it must be closed all the same
  if (rc != SQLITE_OK) {
    const int number = raw ? sqlite3_extended_errcode(raw) : rc;
    const std::string message = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
    throw DbError(number, message + ": " + path);
  }
  sqlite3_extended_result_codes(raw, 1);
}

void SqliteConnection::ShareWithOtherProcesses() {
  // The office reads the file while the program rewrites a stored query; a short wait for the lock beats
  // failing at once.
  constexpr int kBusyTimeoutMs = 5000;
  sqlite3_busy_timeout(Handle(), kBusyTimeoutMs);
  // Memory-mapped reads spare a copy of every page of a small file. The map stays small, as every mapped
  // page a query touches counts in the program's resident memory, once per connection: with two
  // connections on a country of millions of records a larger map made the program alone 540 MB, for no
  // measurable speed over reading the rest of the file. (A larger page cache or in-memory temporary
  // storage measured slower for the grouping sort, so both stay default.)
  Execute("PRAGMA mmap_size = 67108864");
}

void SqliteConnection::Execute(const std::string& sqliteSql) {
  char* message = nullptr;
  if (sqlite3_exec(Handle(), sqliteSql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return;
  const std::string text = message != nullptr ? message : sqlite3_errmsg(Handle());
  sqlite3_free(message);
  throw DbError(sqlite3_extended_errcode(Handle()), text);
}

void SqliteConnection::Close() {
  if (sqlite3_close(Handle()) != SQLITE_OK) {
    throw DbError(sqlite3_extended_errcode(Handle()), sqlite3_errmsg(Handle()) + std::string(": ") + path_);
  }
  (void)handle_.release();  // closed above
}

void ExecuteSql(const std::string& file, const std::string& sqliteSql) {
  SqliteConnection(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE).Execute(sqliteSql);
}

}  // namespace quorvia::db
