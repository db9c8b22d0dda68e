#pragma once

#include <string>
#include <vector>

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

// The query for the NUTS list: ... WHERE <column> <> "" followed by one blank.
std::string NutsListQuery(const std::string& column, const std::string& countryCode);
// The query for the elevation list and the three plain filter lists: ... WHERE <column> <> "".
std::string ListQuery(const std::string& column, const std::string& countryCode);

// "All" followed by the values of `column` of the query's rows as text, in the engine's order.
// A query that returns no row is valid data: the list is just "All".
std::vector<std::string> ReadFilterList(db::Database& database, const std::string& sql,
                                        const std::string& column);

}  // namespace quorvia::query
