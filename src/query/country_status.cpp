#include "query/country_status.h"

#include "db/ascii_case.h"
#include "db/database.h"
#include "vocabulary/data_tables.h"

namespace quorvia::query {

std::optional<StatusDisplay> StatusDisplayFor(const std::string& status) {
  if (status == "FINAL") return StatusDisplay{"--> FINAL Data", 0x008000};
  if (status == "PARTIAL") return StatusDisplay{"--> PRELIMINARY Data", 0xFF0000};
  return std::nullopt;
}

bool HasChange1Column(db::Database& database, const std::string& tableName) {
  const auto tables = database.ListTableDefs();
  const auto& table = tables.Item(tableName);
  bool found = false;
  for (int i = 0; i < table.FieldCount(); ++i) {
    if (db::EqualsIgnoringAsciiCase(table.Field(i).Name, vocabulary::kReviewedChangeColumn)) found = true;
  }
  return found;
}

}  // namespace quorvia::query
