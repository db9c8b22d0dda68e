#include "workbook/office/binding/stored_query_reader.h"

#include <sqlite3.h>

#include "db/db_error.h"
#include "db/sqlite_connection.h"
#include "db/sqlite_statement.h"
#include "workbook/office/binding/server_query_reader.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {
namespace {

[[noreturn]] void Fail(const std::string& databasePath, const std::string& query, const std::string& why) {
  throw PlainAutomationError("cannot read " + query + " of the database " + databasePath + ": " + why);
}

QueryTable ReadRows(const std::string& databasePath, const std::string& query, std::size_t maxColumns,
                    std::size_t maxRows) {
  db::SqliteConnection connection(databasePath, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX);
  // A writer that holds the file briefly (the query being rewritten) is waited for, not reported.
  connection.ShareWithOtherProcesses();
  db::SqliteStatement statement(connection.Handle(), "SELECT * FROM \"" + query + "\"");
  QueryTable table;
  const int columnCount = statement.ColumnCount();
  if (static_cast<std::size_t>(columnCount) > maxColumns) {
    Fail(databasePath, query,
         std::to_string(columnCount) + " columns, more than " + std::to_string(maxColumns));
  }
  for (int c = 0; c < columnCount; ++c) table.columns.push_back(statement.ColumnName(c));
  while (statement.Step()) {
    if (table.rows.size() == maxRows) {
      Fail(databasePath, query,
           "the result has more than " + std::to_string(maxRows) +
               " rows, more than a sheet of the workbook holds");
    }
    auto& row = table.rows.emplace_back();
    row.reserve(static_cast<std::size_t>(columnCount));
    for (int c = 0; c < columnCount; ++c) row.push_back(SheetValue(statement.Column(c)));
  }
  return table;
}

}  // namespace

QueryTable ReadStoredQuery(const std::string& databasePath, const std::string& query, std::size_t maxColumns,
                           std::size_t maxRows) {
  if (auto onServer = ReadServerQueryWhenNamed(databasePath, query, maxColumns, maxRows))
    return std::move(*onServer);
  try {
    return ReadRows(databasePath, query, maxColumns, maxRows);
  } catch (const db::DbError& error) {
    Fail(databasePath, query, error.Description());
  }
}

}  // namespace quorvia::workbook::office
