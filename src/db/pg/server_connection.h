#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvia::db::pg {

// A program folder points at a database on a server with a file beside the database file: the same name
// with ".pgconn" (MOSA_DB.pgconn beside MOSA_DB.mdb). It holds one line, a libpq connection string such as
// "service=landcover" or "host=db.example dbname=landcover". Passwords never come from it: libpq finds them
// in ~/.pgpass, a service file or PGPASSWORD.
inline constexpr std::string_view kServerConnectionExtension = ".pgconn";

// The connection file that stands for databasePath.
std::string ServerConnectionFileFor(const std::string& databasePath);

// True when that file is there: the folder's database is on a server.
bool PointsAtServer(const std::string& databasePath);

// The connection string of that file, or nothing when there is no such file. DbError kServerSetup, naming
// the file, when it cannot be read, holds no connection string or more than one line, is not a valid
// connection string, or holds a password.
std::optional<std::string> ReadServerConnection(const std::string& databasePath);

// Checks a connection string as the connection file must hold it (source names it in messages).
void CheckConnectionString(const std::string& conninfo, const std::string& source);

}  // namespace quorvia::db::pg
