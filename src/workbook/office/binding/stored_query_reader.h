#pragma once

#include <cstddef>
#include <string>

#include "workbook/query_table.h"

namespace quorvia::workbook::office {

using workbook::QueryTable;
using workbook::QueryValue;
using workbook::SheetValue;

// All rows of "SELECT * FROM <query>" read over a read-only connection. AutomationError, naming the file,
// when the database or the query cannot be read, when the result has more than maxColumns columns or more
// than maxRows rows (a result is never cut short silently).
QueryTable ReadStoredQuery(const std::string& databasePath, const std::string& query, std::size_t maxColumns,
                           std::size_t maxRows);

}  // namespace quorvia::workbook::office
