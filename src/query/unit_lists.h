#pragma once

#include <string>
#include <vector>

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

// The query for a filter list: SELECT DISTINCT <column> FROM UNITS_<code> WHERE <column> <> "".
std::string ListQuery(const std::string& column, const std::string& countryCode);

// "All" followed by the values of `column` of the query's rows as text, in the engine's order.
// A query that returns no row is valid data: the list is just "All".
std::vector<std::string> ReadFilterList(db::Database& database, const std::string& sql,
                                        const std::string& column);

}  // namespace quorvia::query
