#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "workbook/office/binding/stored_query_reader.h"

namespace quorvia::workbook::office {

// When a connection file stands beside databasePath (MOSA_DB.pgconn beside MOSA_DB.mdb), the stored query
// lives on that server, in the schema of the role the file logs in as: the same role, and so the same
// FILTERED, as the program's own connection. Reads all its rows under the limits of ReadStoredQuery;
// nothing when there is no connection file. AutomationError naming the server and the database otherwise.
std::optional<QueryTable> ReadServerQueryWhenNamed(const std::string& databasePath, const std::string& query,
                                                   std::size_t maxColumns, std::size_t maxRows);

}  // namespace quorvia::workbook::office
