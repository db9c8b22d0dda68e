#include "access_import/sqlite_target.h"

#include <sqlite3.h>

#include <stdexcept>

#include "data_indexes/data_indexes.h"
#include "db/db_error.h"
#include "db/view_definition.h"

namespace quorvia::access_import {
SqliteTarget::SqliteTarget(const std::string& path)
    : connection_(db::ExplainingFailure("create the database", [&] {
        return db::SqliteConnection(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
      })) {
  data_indexes::UseLargePages(connection_);
  // The file is new and thrown away on any failure, so it needs no rollback journal while it fills;
  // durability comes from the sync before it is renamed into place.
  Execute("PRAGMA journal_mode=OFF");
  Execute("PRAGMA synchronous=OFF");
  Execute("PRAGMA locking_mode=EXCLUSIVE");
  Execute("BEGIN");
}

void SqliteTarget::CreateTable(const import_rows::Table& table) {
  std::string create = "CREATE TABLE " + db::QuoteIdentifier(table.name) + " (";
  std::string insert = "INSERT INTO " + db::QuoteIdentifier(table.name) + " VALUES (";
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    const char* separator = i == 0 ? "" : ", ";
    create += separator + db::QuoteIdentifier(table.columns[i].name) + " " + table.columns[i].declaredType;
    insert += separator + std::string("?");
  }
  Execute(create + ")");
  insert_.reset();
  if (table.columns.empty()) return;  // a table without columns holds no values to insert
  db::ExplainingFailure("prepare the insert", [&] { insert_.emplace(connection_.Handle(), insert + ")"); });
}

void SqliteTarget::Insert(std::span<const import_rows::Cell> row) {
  if (!insert_) return;
  db::ExplainingFailure("insert the row", [&] {
    for (std::size_t i = 0; i < row.size(); ++i) {
      const int parameter = static_cast<int>(i) + 1;
      const import_rows::Cell& cell = row[i];
      if (const auto* integer = std::get_if<std::int64_t>(&cell)) {
        insert_->BindInt64(parameter, *integer);
      } else if (const auto* real = std::get_if<double>(&cell)) {
        insert_->BindDouble(parameter, *real);
      } else if (const auto* text = std::get_if<std::string>(&cell)) {
        insert_->BindText(parameter, *text);
      } else if (const auto* blob = std::get_if<import_rows::Blob>(&cell)) {
        insert_->BindBlob(parameter, blob->bytes);
      } else {
        insert_->BindNull(parameter);
      }
    }
    insert_->Step();
    insert_->Reset();
  });
}

void SqliteTarget::Commit() {
  insert_.reset();
  db::ExplainingFailure("index the change tables", [&] { data_indexes::CreateMissingIndexes(connection_); });
  Execute("COMMIT");
  db::ExplainingFailure("close the database", [&] { connection_.Close(); });
}

void SqliteTarget::Execute(const std::string& sql) {
  db::ExplainingFailure("run " + sql, [&] { connection_.Execute(sql); });
}

}  // namespace quorvia::access_import
