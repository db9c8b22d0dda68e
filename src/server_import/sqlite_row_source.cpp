#include "server_import/sqlite_row_source.h"

#include <sqlite3.h>

#include <stdexcept>

#include "db/view_definition.h"

namespace quorvia::server_import {
namespace {

struct Finalizer {
  void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, Finalizer>;

[[noreturn]] void Fail(sqlite3* handle, const std::string& path, const std::string& doing) {
  throw std::runtime_error("cannot " + doing + " in " + path + ": " +
                           (handle != nullptr ? sqlite3_errmsg(handle) : "out of memory"));
}

Statement Prepare(sqlite3* handle, const std::string& path, const std::string& sql) {
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) Fail(handle, path, "read");
  return Statement(raw);
}

std::string Text(sqlite3_stmt* statement, int column) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return std::string(text != nullptr ? text : "",
                     static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

std::int64_t Count(sqlite3* handle, const std::string& path, const std::string& sql) {
  const Statement count = Prepare(handle, path, sql);
  if (sqlite3_step(count.get()) != SQLITE_ROW) Fail(handle, path, "count rows");
  return sqlite3_column_int64(count.get(), 0);
}

}  // namespace

void SqliteRowSource::Closer::operator()(sqlite3* handle) const noexcept { sqlite3_close_v2(handle); }

SqliteRowSource::SqliteRowSource(const std::string& path) : path_(path) {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  handle_.reset(raw);
  if (rc != SQLITE_OK) Fail(raw, path, "open the database");
  const Statement columns =
      Prepare(raw, path,
              "SELECT m.name, c.name, c.type FROM sqlite_master AS m, pragma_table_info(m.name) AS c "
              "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY m.rowid, c.cid");
  int rc2;
  while ((rc2 = sqlite3_step(columns.get())) == SQLITE_ROW) {
    const std::string table = Text(columns.get(), 0);
    if (tables_.empty() || tables_.back().name != table) tables_.push_back(SourceTable{table, {}, 0});
    tables_.back().columns.push_back(SourceColumn{Text(columns.get(), 1), Text(columns.get(), 2)});
  }
  if (rc2 != SQLITE_DONE) Fail(raw, path, "read the tables");
  for (auto& table : tables_) {
    table.rowCount = Count(raw, path, "SELECT count(*) FROM " + db::QuoteIdentifier(table.name));
  }
  storedQueries_ =
      static_cast<int>(Count(raw, path, "SELECT count(*) FROM sqlite_master WHERE type = 'view'"));
}

SqliteRowSource::~SqliteRowSource() = default;

void SqliteRowSource::ReadRows(std::size_t index, const RowFn& onRow) {
  const SourceTable& table = tables_.at(index);
  const Statement rows = Prepare(handle_.get(), path_, "SELECT * FROM " + db::QuoteIdentifier(table.name));
  const int columnCount = sqlite3_column_count(rows.get());
  std::vector<Cell> cells(static_cast<std::size_t>(columnCount));
  int rc;
  while ((rc = sqlite3_step(rows.get())) == SQLITE_ROW) {
    for (int c = 0; c < columnCount; ++c) {
      Cell& cell = cells[static_cast<std::size_t>(c)];
      switch (sqlite3_column_type(rows.get(), c)) {
        case SQLITE_NULL:
          cell = std::monostate{};
          break;
        case SQLITE_INTEGER:
          cell = static_cast<std::int64_t>(sqlite3_column_int64(rows.get(), c));
          break;
        case SQLITE_FLOAT:
          cell = sqlite3_column_double(rows.get(), c);
          break;
        case SQLITE_BLOB: {
          const auto* data = static_cast<const char*>(sqlite3_column_blob(rows.get(), c));
          cell = Bytes{std::string(data != nullptr ? data : "",
                                   static_cast<std::size_t>(sqlite3_column_bytes(rows.get(), c)))};
          break;
        }
        default:
          cell = Text(rows.get(), c);
      }
    }
    onRow(cells);
  }
  if (rc != SQLITE_DONE) Fail(handle_.get(), path_, "read the rows of " + table.name);
}

}  // namespace quorvia::server_import
