#include "server_import/sqlite_row_source.h"

#include <sqlite3.h>

#include <stdexcept>

#include "data_indexes/data_indexes.h"
#include "db/db_error.h"
#include "db/sqlite_backend.h"
#include "db/sqlite_statement.h"
#include "db/view_definition.h"

namespace quorvia::server_import {
namespace {

std::int64_t Count(sqlite3* handle, const std::string& sql) {
  db::SqliteStatement count(handle, sql);
  count.Step();
  return std::get<std::int64_t>(count.Column(0).storage());
}

Cell CellAt(const db::SqliteStatement& row, int column) {
  const bool blob = row.ColumnIsBlob(column);  // asked first: reading a value may convert its type
  db::FieldValue::Storage value = row.Column(column).storage();
  if (blob) return Bytes{std::get<std::string>(std::move(value))};
  return std::visit([](auto&& stored) -> Cell { return std::move(stored); }, std::move(value));
}

bool HasIndexLedBy(sqlite3* handle, const std::string& table, const std::string& column) {
  db::SqliteStatement leading(
      handle,
      "SELECT 1 FROM pragma_index_list(?1) AS list, pragma_index_info(list.name) AS info "
      "WHERE info.seqno = 0 AND info.name = ?2 COLLATE NOCASE");
  leading.BindText(1, table);
  leading.BindText(2, column);
  return leading.Step();
}

// The rows of a change table come in region order when an index of the file gives them in that order
// without sorting the table, so that the server's copy holds each region on neighbouring pages; every other
// table, and a change table without such an index, in the file's own order.
std::string ReadAllSql(sqlite3* handle, const db::TableDef& table) {
  std::string sql = "SELECT * FROM " + db::QuoteIdentifier(table.Name());
  const auto order = data_indexes::RegionOrderColumn(table);
  if (order && HasIndexLedBy(handle, table.Name(), *order)) sql += " ORDER BY " + db::QuoteIdentifier(*order);
  return sql;
}

}  // namespace

SqliteRowSource::SqliteRowSource(const std::string& path)
    : path_(path), connection_(db::ExplainingFailure("open the database " + path, [&] {
        return db::SqliteConnection(path, SQLITE_OPEN_READONLY);
      })) {
  db::ExplainingFailure("read the tables of " + path, [&] {
    for (const db::TableDef& table : db::ReadSqliteTables(connection_.Handle())) {
      SourceTable& source = tables_.emplace_back(SourceTable{table.Name(), {}, 0});
      for (int c = 0; c < table.FieldCount(); ++c) {
        source.columns.push_back(SourceColumn{table.Field(c).Name, table.Field(c).DeclaredType});
      }
      source.rowCount =
          Count(connection_.Handle(), "SELECT count(*) FROM " + db::QuoteIdentifier(source.name));
      readSql_.push_back(ReadAllSql(connection_.Handle(), table));
    }
    storedQueries_ = static_cast<int>(
        Count(connection_.Handle(), "SELECT count(*) FROM sqlite_master WHERE type = 'view'"));
  });
}

SqliteRowSource::~SqliteRowSource() = default;

void SqliteRowSource::ReadRows(std::size_t index, const RowFn& onRow) {
  const SourceTable& table = tables_.at(index);
  const std::string doing = "read the rows of " + table.name + " in " + path_;
  // Only the reading is named after the file: what the caller does with a row raises its own errors.
  db::SqliteStatement rows = db::ExplainingFailure(
      doing, [&] { return db::SqliteStatement(connection_.Handle(), readSql_.at(index)); });
  std::vector<Cell> cells(static_cast<std::size_t>(rows.ColumnCount()));
  while (db::ExplainingFailure(doing, [&] { return rows.Step(); })) {
    for (std::size_t c = 0; c < cells.size(); ++c) cells[c] = CellAt(rows, static_cast<int>(c));
    onRow(cells);
  }
}

}  // namespace quorvia::server_import
