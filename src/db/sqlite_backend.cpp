#include "db/sqlite_backend.h"

#include <sqlite3.h>

#include <utility>

#include "db/db_error.h"
#include "db/log.h"
#include "db/sql_dialect.h"
#include "db/sqlite_grouped_sum.h"
#include "db/sqlite_statement.h"
#include "db/view_definition.h"

namespace quorvia::db {

namespace {

constexpr std::string_view kCreateQuerySavepoint = "quorvia_create_query";

}  // namespace

SqliteBackend::SqliteBackend(const std::string& path) : connection_(path, SQLITE_OPEN_READWRITE) {
  connection_.ShareWithOtherProcesses();
  // SQLite reads nothing until the first statement; reading the schema now makes a file that is no
  // database fail here rather than at the first query.
  if (sqlite3_exec(Handle(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw DbError(sqlite3_extended_errcode(Handle()), sqlite3_errmsg(Handle()) + std::string(": ") + path);
  }
}

std::unique_ptr<DatabaseBackend> SqliteBackend::OpenAnother() const {
  return std::make_unique<SqliteBackend>(Location());
}

std::optional<GroupedSum> SqliteBackend::ReadGroupedSumInParts(DatabaseBackend& beside,
                                                               const GroupedSumRequest& request) {
  auto* other = dynamic_cast<SqliteBackend*>(&beside);
  if (other == nullptr || other == this) return std::nullopt;
  return db::ReadGroupedSumInParts(Handle(), other->Handle(), request);
}

std::vector<TableDef> ReadSqliteTables(sqlite3* handle) {
  SqliteStatement columns(
      handle,
      "SELECT m.name, c.name, c.type FROM sqlite_master AS m, pragma_table_info(m.name) AS c "
      "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\' "
      "ORDER BY m.rowid, c.cid");
  // Rows come grouped by table, in creation order, columns in declaration order.
  TableListBuilder tables;
  while (columns.Step())
    tables.Add(columns.Column(0).ToString(), columns.Column(1).ToString(), columns.Column(2).ToString());
  return tables.Take();
}

std::vector<TableDef> SqliteBackend::ReadTables() { return ReadSqliteTables(Handle()); }

namespace {

void RequireRowsAndNoChange(const SqliteStatement& query) {
  if (query.ColumnCount() == 0 || !query.ReadsOnly()) {
    throw DbError(SQLITE_ERROR, "Only a query that returns rows and changes nothing can open a recordset.");
  }
}

}  // namespace

void SqliteBackend::CheckQuery(const std::string& programSql) {
  const SqliteStatement query(Handle(), ToSqlite(programSql));
  RequireRowsAndNoChange(query);
}

std::unique_ptr<Recordset> SqliteBackend::OpenRecordset(const std::string& programSql) {
  SqliteStatement query(Handle(), ToSqlite(programSql));
  RequireRowsAndNoChange(query);
  const int columnCount = query.ColumnCount();
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(columnCount));
  for (int column = 0; column < columnCount; ++column) names.push_back(query.ColumnName(column));

  std::vector<std::vector<FieldValue>> rows;
  while (query.Step()) {
    std::vector<FieldValue>& row = rows.emplace_back();
    row.reserve(static_cast<std::size_t>(columnCount));
    for (int column = 0; column < columnCount; ++column) row.push_back(query.Column(column));
  }
  return std::make_unique<Recordset>(std::move(names), std::move(rows));
}

std::vector<QueryDef> SqliteBackend::ReadQueryDefs() {
  SqliteStatement views(Handle(), "SELECT name, sql FROM sqlite_master WHERE type = 'view' ORDER BY rowid");
  std::vector<QueryDef> defs;
  while (views.Step()) {
    defs.push_back(QueryDef{views.Column(0).ToString(), ProgramSqlOfView(views.Column(1).ToString())});
  }
  return defs;
}

void SqliteBackend::DropQueryDef(const std::string& storedName) {
  ExecuteNative("DROP VIEW " + QuoteIdentifier(storedName));
}

void SqliteBackend::CreateQueryDef(const std::string& name, const std::string& programSql) {
  const std::string createView = ComposeCreateView(name, programSql, ToSqlite(programSql));
  const std::string savepoint(kCreateQuerySavepoint);
  ExecuteNative("SAVEPOINT " + savepoint);
  try {
    SqliteStatement(Handle(), createView).RunToEnd();
    // SQLite accepts a view over a column that does not exist and fails only when it is read; compiling a
    // read of it catches that before anything is kept.
    SqliteStatement(Handle(), "SELECT * FROM " + QuoteIdentifier(name));
    ExecuteNative("RELEASE " + savepoint);
  } catch (...) {
    // The failure to report is the one that brought us here.
    if (sqlite3_exec(Handle(), ("ROLLBACK TO " + savepoint + "; RELEASE " + savepoint).c_str(), nullptr,
                     nullptr, nullptr) != SQLITE_OK) {
      qCWarning(lcDb) << "Undoing the failed creation of" << name.c_str() << "in" << Location().c_str()
                      << "failed:" << sqlite3_errmsg(Handle());
    }
    throw;
  }
}

void SqliteBackend::Interrupt() noexcept { sqlite3_interrupt(Handle()); }

void SqliteBackend::BeginTrans() {
  transactions_.Begin([this](const std::string& sql) { ExecuteNative(sql); });
}

void SqliteBackend::CommitTrans() {
  transactions_.Commit([this](const std::string& sql) { ExecuteNative(sql); });
}

void SqliteBackend::Rollback() {
  transactions_.Rollback([this](const std::string& sql) { ExecuteNative(sql); });
}

}  // namespace quorvia::db
