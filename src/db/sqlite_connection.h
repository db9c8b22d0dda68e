#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "db/db_error.h"

struct sqlite3;

namespace quorvia::db {

// One open SQLite file, closed with the object. The one wrapper of a connection for the program, its
// tools and its tests; statements on it are SqliteStatement.
class SqliteConnection {
 public:
  // Opens `path` with SQLite's open flags (SQLITE_OPEN_READWRITE and so on). A relative name that begins
  // with "file:" stays a file name. DbError (SQLite's code, its message and the path) when it cannot.
  SqliteConnection(const std::string& path, int openFlags);

  sqlite3* Handle() const noexcept { return handle_.get(); }
  const std::string& Path() const noexcept { return path_; }

  // For a file that other processes use at the same time and whose large tables are read whole: waits a
  // few seconds for another writer's lock instead of failing at once, and reads through a memory map.
  void ShareWithOtherProcesses();
  // Runs plain SQLite SQL with no result; several statements are allowed. DbError on failure.
  void Execute(const std::string& sqliteSql);
  // Closes the file now so that a failure to flush it is raised; the destructor only closes quietly.
  void Close();

 private:
  struct Closer {
    void operator()(sqlite3* handle) const noexcept;
  };
  std::string path_;
  std::unique_ptr<sqlite3, Closer> handle_;
};

// Runs `step`; a DbError from it becomes std::runtime_error "cannot <doing>: <description> (SQLite error
// <number>)", for tools whose messages say what was being done rather than carry the engine's number.
template <typename Step>
auto ExplainingFailure(const std::string& doing, Step&& step) {
  try {
    return step();
  } catch (const DbError& error) {
    throw std::runtime_error("cannot " + doing + ": " + error.Description() + " (SQLite error " +
                             std::to_string(error.Number()) + ")");
  }
}

// Runs plain SQLite SQL (several statements allowed) on a file, creating the file when it is missing.
void ExecuteSql(const std::string& file, const std::string& sqliteSql);

}  // namespace quorvia::db
