#pragma once

#include <string>

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

// Replaces the stored query FILTERED with Sql as one change: when the new definition cannot be created or
// does not compile, the old FILTERED stays as it was and the engine's error is raised.
void Updata(db::Database& WorkDb, const std::string& Sql);

}  // namespace quorvia::query
