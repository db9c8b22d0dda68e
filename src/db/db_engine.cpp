#include "db/db_engine.h"

namespace quorvia::db {

DBEngine& DBEngine::Instance() {
  static DBEngine engine;
  return engine;
}

std::unique_ptr<Database> DBEngine::OpenDatabase(const std::string& path) {
  return std::make_unique<Database>(path);
}

}  // namespace quorvia::db
