#pragma once

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "db/field_value.h"

namespace quorvia::workbook::office {

// One value of a query result as a sheet holds it: empty, a number or a text.
using QueryValue = std::variant<std::monostate, double, std::string>;

// A value of either engine as a sheet holds it: numbers of either kind are numbers; anything but a
// number or a text is left empty.
QueryValue SheetValue(const db::FieldValue& value);

struct QueryTable {
  std::vector<std::string> columns;
  std::vector<std::vector<QueryValue>> rows;
};

// All rows of "SELECT * FROM <query>" read over a read-only connection. AutomationError, naming the file,
// when the database or the query cannot be read, when the result has more than maxColumns columns or more
// than maxRows rows (a result is never cut short silently).
QueryTable ReadStoredQuery(const std::string& databasePath, const std::string& query, std::size_t maxColumns,
                           std::size_t maxRows);

}  // namespace quorvia::workbook::office
