#pragma once

#include <memory>
#include <string>

#include "db/database.h"

namespace quorvia::db {

// The engine: one per process, made on first use.
class DBEngine {
 public:
  static DBEngine& Instance();
  std::unique_ptr<Database> OpenDatabase(const std::string& path);

 private:
  DBEngine() = default;
};

}  // namespace quorvia::db
