#include "stored_query_reader.h"

#include <sqlite3.h>

#include <memory>

#include "spreadsheet_application.h"

namespace quorvia::workbook::office {
namespace {

struct ConnectionCloser {
  void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const noexcept { sqlite3_finalize(statement); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

// A writer that holds the file briefly (the query being rewritten) is waited for, not reported.
constexpr int kBusyTimeoutMs = 5000;

[[noreturn]] void Fail(const std::string& databasePath, const std::string& query, const std::string& why) {
  throw AutomationError("cannot read " + query + " of the database " + databasePath + ": " + why);
}

Connection OpenReadOnly(const std::string& databasePath, const std::string& query) {
  sqlite3* raw = nullptr;
  const int rc =
      sqlite3_open_v2(databasePath.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
  Connection db(raw);
  if (rc != SQLITE_OK) Fail(databasePath, query, raw != nullptr ? sqlite3_errmsg(raw) : sqlite3_errstr(rc));
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  // A query over a large table reads faster through a memory map than through read calls.
  sqlite3_exec(db.get(), "PRAGMA mmap_size = 268435456", nullptr, nullptr, nullptr);
  return db;
}

QueryValue ColumnValue(sqlite3_stmt* statement, int column) {
  switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
      return std::monostate{};
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
      return sqlite3_column_double(statement, column);
    default: {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
      return std::string(text != nullptr ? text : "",
                         static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
    }
  }
}

}  // namespace

QueryTable ReadStoredQuery(const std::string& databasePath, const std::string& query, std::size_t maxColumns,
                           std::size_t maxRows) {
  const Connection db = OpenReadOnly(databasePath, query);
  const std::string sql = "SELECT * FROM \"" + query + "\"";
  sqlite3_stmt* raw = nullptr;
  if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
    Fail(databasePath, query, sqlite3_errmsg(db.get()));
  }
  const Statement statement(raw);
  QueryTable table;
  const int columnCount = sqlite3_column_count(statement.get());
  if (static_cast<std::size_t>(columnCount) > maxColumns) {
    Fail(databasePath, query,
         std::to_string(columnCount) + " columns, more than " + std::to_string(maxColumns));
  }
  for (int c = 0; c < columnCount; ++c) table.columns.emplace_back(sqlite3_column_name(statement.get(), c));
  int rc;
  while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
    if (table.rows.size() == maxRows) {
      Fail(databasePath, query,
           "the result has more than " + std::to_string(maxRows) +
               " rows, more than a sheet of the workbook holds");
    }
    auto& row = table.rows.emplace_back();
    row.reserve(static_cast<std::size_t>(columnCount));
    for (int c = 0; c < columnCount; ++c) row.push_back(ColumnValue(statement.get(), c));
  }
  if (rc != SQLITE_DONE) Fail(databasePath, query, sqlite3_errmsg(db.get()));
  return table;
}

}  // namespace quorvia::workbook::office
