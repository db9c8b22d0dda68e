#pragma once

#include <optional>
#include <string>

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

// Caption and colour of the data-status label for a status value; nothing for any other value
// (letter case counts).
struct StatusDisplay {
  std::string caption;
  unsigned rgb;  // 0xRRGGBB
};
std::optional<StatusDisplay> StatusDisplayFor(const std::string& status);

// Whether the table has a column whose lower-cased name is "change1".
bool HasChange1Column(db::Database& database, const std::string& tableName);

}  // namespace quorvia::query
