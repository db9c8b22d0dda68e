#pragma once

#include <memory>
#include <string>

#include "db/database.h"

namespace quorvia::db {

// The engine: one per process, made on first use.
class DBEngine {
 public:
  static DBEngine& Instance();
  // Opens the SQLite file at path, or, when a connection file stands beside it (MOSA_DB.pgconn beside
  // MOSA_DB.mdb), the PostgreSQL database that file names.
  std::unique_ptr<Database> OpenDatabase(const std::string& path);
  // True when OpenDatabase(path) opens a server database, named by a connection file beside path.
  bool OnServer(const std::string& path) const;
  // What OpenDatabase(path) opens, for messages: the connection file when there is one, else path.
  std::string SourceOf(const std::string& path) const;

 private:
  DBEngine() = default;
};

}  // namespace quorvia::db
