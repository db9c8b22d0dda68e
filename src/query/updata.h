#pragma once

#include <string>

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

inline constexpr const char* kFilteredQuery = "FILTERED";
// The database file of a program folder, which the report workbook's data sheet names.
inline constexpr const char* kDatabaseFileName = "MOSA_DB.mdb";

// Replaces the stored query FILTERED with Sql as one change: when the new definition cannot be created or
// does not compile, the old FILTERED stays as it was and the engine's error is raised.
void Updata(db::Database& WorkDb, const std::string& Sql);

}  // namespace quorvia::query
