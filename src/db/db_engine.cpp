#include "db/db_engine.h"

#include "db/pg/pg_backend.h"
#include "db/pg/server_connection.h"

namespace quorvia::db {

DBEngine& DBEngine::Instance() {
  static DBEngine engine;
  return engine;
}

std::unique_ptr<Database> DBEngine::OpenDatabase(const std::string& path) {
  if (const auto conninfo = pg::ReadServerConnection(path)) {
    return std::make_unique<Database>(std::make_unique<pg::PgBackend>(*conninfo));
  }
  return std::make_unique<Database>(path);
}

bool DBEngine::OnServer(const std::string& path) const { return pg::PointsAtServer(path); }

std::string DBEngine::SourceOf(const std::string& path) const {
  return OnServer(path) ? pg::ServerConnectionFileFor(path) : path;
}

}  // namespace quorvia::db
