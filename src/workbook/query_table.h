#pragma once

#include <string>
#include <variant>
#include <vector>

#include "db/field_value.h"

namespace quorvia::workbook {

// One value of a query result as a sheet holds it: empty, a number or a text.
using QueryValue = std::variant<std::monostate, double, std::string>;

// A value of either engine as a sheet holds it: numbers of either kind are numbers; anything but a
// number or a text is left empty.
QueryValue SheetValue(const db::FieldValue& value);

// The rows of a query result as a data sheet receives them: column names, then one row per result row.
struct QueryTable {
  std::vector<std::string> columns;
  std::vector<std::vector<QueryValue>> rows;
  friend bool operator==(const QueryTable&, const QueryTable&) = default;
};

}  // namespace quorvia::workbook
