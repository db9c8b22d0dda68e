#include "workbook/office/binding/server_query_reader.h"

#include <libpq-fe.h>

#include "db/pg/pg_connection.h"
#include "db/pg/pg_dialect.h"
#include "db/pg/server_connection.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {
namespace {

QueryTable ReadAll(db::pg::PgConnection& server, const std::string& query, std::size_t maxColumns,
                   std::size_t maxRows) {
  const std::string view = db::pg::StoredQueryView(server.QueryText("SELECT current_user"), query);
  const db::pg::PgResult result = server.ExecuteReadOnly("SELECT * FROM " + view);
  const auto columnCount = static_cast<std::size_t>(PQnfields(result.get()));
  const auto rowCount = static_cast<std::size_t>(PQntuples(result.get()));
  if (columnCount > maxColumns) {
    throw std::runtime_error(std::to_string(columnCount) + " columns, more than " +
                             std::to_string(maxColumns));
  }
  if (rowCount > maxRows) {
    throw std::runtime_error("the result has more than " + std::to_string(maxRows) +
                             " rows, more than a sheet of the workbook holds");
  }
  QueryTable table;
  for (std::size_t c = 0; c < columnCount; ++c)
    table.columns.emplace_back(PQfname(result.get(), static_cast<int>(c)));
  table.rows.resize(rowCount);
  for (std::size_t r = 0; r < rowCount; ++r) {
    table.rows[r].reserve(columnCount);
    for (std::size_t c = 0; c < columnCount; ++c) {
      table.rows[r].push_back(
          SheetValue(db::pg::ValueAt(result.get(), static_cast<int>(r), static_cast<int>(c))));
    }
  }
  return table;
}

}  // namespace

std::optional<QueryTable> ReadServerQueryWhenNamed(const std::string& databasePath, const std::string& query,
                                                   std::size_t maxColumns, std::size_t maxRows) {
  std::string where = db::pg::ServerConnectionFileFor(databasePath);
  try {
    const auto conninfo = db::pg::ReadServerConnection(databasePath);
    if (!conninfo) return std::nullopt;
    db::pg::PgConnection server(*conninfo);
    where = "the " + server.Describe();
    return ReadAll(server, query, maxColumns, maxRows);
  } catch (const std::runtime_error& error) {
    throw PlainAutomationError("cannot read " + query + " of " + where + ": " + error.what());
  }
}

}  // namespace quorvia::workbook::office
