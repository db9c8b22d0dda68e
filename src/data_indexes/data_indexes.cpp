#include "data_indexes/data_indexes.h"

#include <sqlite3.h>

#include <QLoggingCategory>
#include <algorithm>
#include <set>

#include "db/ascii_case.h"
#include "db/sqlite_backend.h"
#include "db/sqlite_statement.h"
#include "db/view_definition.h"
#include "vocabulary/data_tables.h"

Q_LOGGING_CATEGORY(lcDataIndexes, "quorvia.data_indexes", QtWarningMsg)

namespace quorvia::data_indexes {
namespace {

// The columns the program's change queries name besides the filter columns: the country condition, the
// summed area, the change columns they group by, and the NUTS level columns.
using vocabulary::kAreaColumn;
using vocabulary::kCountryColumn;
constexpr const char* kChangeColumns[] = {vocabulary::kReviewedChangeColumn,
                                          vocabulary::kChangesDatabaseColumn};
using vocabulary::kNutsColumns;
using vocabulary::kDataTablePrefix;
using vocabulary::kUnitsTablePrefix;

bool HasField(const db::TableDef& table, const std::string& name) {
  for (int i = 0; i < table.FieldCount(); ++i) {
    if (db::EqualsIgnoringAsciiCase(table.Field(i).Name, name)) return true;
  }
  return false;
}

// The name as the table spells it.
std::string FieldName(const db::TableDef& table, const std::string& name) {
  for (int i = 0; i < table.FieldCount(); ++i) {
    if (db::EqualsIgnoringAsciiCase(table.Field(i).Name, name)) return table.Field(i).Name;
  }
  return name;
}

const db::TableDef* UnitsTableOf(const db::TableDef& table, const db::TableDefs& tables) {
  const std::string suffix = table.Name().substr(std::char_traits<char>::length(kDataTablePrefix));
  for (int i = 0; i < tables.Count(); ++i) {
    if (db::EqualsIgnoringAsciiCase(tables.Item(i).Name(), kUnitsTablePrefix + suffix))
      return &tables.Item(i);
  }
  return nullptr;
}

// Columns in the order given, then every other column the queries filter on (those the units table has
// too) and the other change columns, so that the index answers every query on its own.
std::vector<std::string> Covering(const db::TableDef& table, const db::TableDef& units,
                                  std::vector<std::string> leading) {
  std::set<std::string> taken;
  for (const auto& column : leading) taken.insert(db::UpperAscii(column));
  const auto add = [&](const std::string& name) {
    if (taken.insert(db::UpperAscii(name)).second) leading.push_back(name);
  };
  for (const char* change : kChangeColumns) {
    if (HasField(table, change)) add(FieldName(table, change));
  }
  for (int i = 0; i < table.FieldCount(); ++i) {
    if (HasField(units, table.Field(i).Name)) add(table.Field(i).Name);
  }
  return leading;
}

}  // namespace

std::string IndexDefinition::CreateSql() const {
  std::string sql = "CREATE INDEX " + db::QuoteIdentifier(name) + " ON " + db::QuoteIdentifier(table) + " (";
  for (std::size_t i = 0; i < columns.size(); ++i)
    sql += (i == 0 ? "" : ", ") + db::QuoteIdentifier(columns[i]);
  return sql + ")";
}

std::vector<IndexDefinition> IndexesFor(const db::TableDef& table, const db::TableDefs& tables) {
  if (!db::UpperAscii(table.Name()).starts_with(kDataTablePrefix)) return {};
  const db::TableDef* units = UnitsTableOf(table, tables);
  if (units == nullptr || !HasField(table, kCountryColumn) || !HasField(table, kAreaColumn)) return {};
  // The queries group by change1 unless the user picks change2 (the window starts on change1); a table
  // without change1 is grouped by change2 whatever the choice.
  const char* grouped = HasField(table, kChangeColumns[0]) ? kChangeColumns[0] : kChangeColumns[1];
  if (!HasField(table, grouped)) return {};
  const std::string change = FieldName(table, grouped);
  const std::string country = FieldName(table, kCountryColumn);
  const std::string area = FieldName(table, kAreaColumn);
  std::vector<IndexDefinition> indexes;
  indexes.push_back(
      {table.Name() + "_by_" + grouped, table.Name(), Covering(table, *units, {country, change, area})});
  // A region of the first or the last level is one stretch of its index, in group order; one of the
  // middle level is found in the first level's index by skipping over its few regions and change types.
  for (const char* level : {kNutsColumns[0], kNutsColumns[2]}) {
    if (!HasField(table, level)) continue;
    indexes.push_back({table.Name() + "_by_" + level, table.Name(),
                       Covering(table, *units, {FieldName(table, level), change, area, country})});
  }
  return indexes;
}

std::optional<WholeCountryColumns> WholeCountryColumnsOf(const std::vector<std::string>& columns) {
  const auto spelled = [&](const char* name) -> std::optional<std::string> {
    for (const auto& column : columns) {
      if (db::EqualsIgnoringAsciiCase(column, name)) return column;
    }
    return std::nullopt;
  };
  const auto country = spelled(kCountryColumn);
  const auto area = spelled(kAreaColumn);
  auto change = spelled(kChangeColumns[0]);
  if (!change) change = spelled(kChangeColumns[1]);
  if (!country || !area || !change) return std::nullopt;
  return WholeCountryColumns{*country, *change, *area};
}

std::optional<std::string> RegionOrderColumn(const db::TableDef& table) {
  if (!db::UpperAscii(table.Name()).starts_with(kDataTablePrefix)) return std::nullopt;
  for (const char* level : {kNutsColumns[2], kNutsColumns[1], kNutsColumns[0]}) {
    if (HasField(table, level)) return FieldName(table, level);
  }
  return std::nullopt;
}

namespace {

std::int64_t FileBytes(db::SqliteConnection& connection) {
  db::SqliteStatement pages(connection.Handle(),
                            "SELECT page_count * page_size FROM pragma_page_count, pragma_page_size");
  pages.Step();
  return static_cast<std::int64_t>(pages.Column(0).ToDouble());
}

std::set<std::string> ExistingIndexNames(db::SqliteConnection& connection) {
  db::SqliteStatement names(connection.Handle(), "SELECT name FROM sqlite_master WHERE type = 'index'");
  std::set<std::string> found;
  while (names.Step()) found.insert(db::UpperAscii(names.Column(0).ToString()));
  return found;
}

}  // namespace

namespace {

constexpr int kLargePageSize = 65536;

std::string PragmaText(db::SqliteConnection& connection, const std::string& pragma) {
  db::SqliteStatement value(connection.Handle(), "PRAGMA " + pragma);
  return value.Step() ? value.Column(0).ToString() : std::string();
}

}  // namespace

void UseLargePages(db::SqliteConnection& newFile) {
  newFile.Execute("PRAGMA page_size = " + std::to_string(kLargePageSize));
}

bool WantsLargePages(db::SqliteConnection& connection) {
  return std::stoi(PragmaText(connection, "page_size")) < kLargePageSize &&
         !db::EqualsIgnoringAsciiCase(PragmaText(connection, "journal_mode"), "wal");
}

std::optional<int> RewriteWithLargePages(db::SqliteConnection& connection) {
  if (!WantsLargePages(connection)) return std::nullopt;
  const int pageSize = std::stoi(PragmaText(connection, "page_size"));
  UseLargePages(connection);
  connection.Execute("VACUUM");
  return pageSize;
}

std::vector<IndexDefinition> MissingIndexes(db::SqliteConnection& connection) {
  const db::TableDefs tables(db::ReadSqliteTables(connection.Handle()));
  const auto existing = ExistingIndexNames(connection);
  std::vector<IndexDefinition> missing;
  for (int i = 0; i < tables.Count(); ++i) {
    for (auto& index : IndexesFor(tables.Item(i), tables)) {
      if (!existing.contains(db::UpperAscii(index.name))) missing.push_back(std::move(index));
    }
  }
  return missing;
}

std::vector<IndexDefinition> CreateMissingIndexes(db::SqliteConnection& connection) {
  auto added = MissingIndexes(connection);
  for (const auto& index : added) connection.Execute(index.CreateSql());
  // Without statistics the planner takes the country condition, which every record meets, for a
  // selective one, and would read a whole table through an index.
  if (!added.empty()) connection.Execute("ANALYZE");
  return added;
}

std::int64_t EstimatedBytes(db::SqliteConnection& connection, const IndexDefinition& index) {
  try {
    db::SqliteStatement size(connection.Handle(), "SELECT sum(pgsize) FROM dbstat WHERE name = ?1");
    size.BindText(1, index.table);
    if (size.Step()) return static_cast<std::int64_t>(size.Column(0).ToDouble());
  } catch (const db::DbError& failure) {  // an SQLite without the dbstat table
    qCDebug(lcDataIndexes) << "table size unknown, taking the file's:" << failure.what();
  }
  return FileBytes(connection);
}

bool RestoreAfterFailedWrite(db::SqliteConnection& connection) noexcept {
  try {
    if (sqlite3_get_autocommit(connection.Handle()) == 0) connection.Execute("ROLLBACK");
    db::SqliteStatement read(connection.Handle(), "SELECT count(*) FROM sqlite_master");
    read.Step();
    return true;
  } catch (const std::exception& failure) {
    qCWarning(lcDataIndexes) << "file not restored from its journal:" << failure.what();
    return false;
  }
}

AddedIndexes AddDataIndexes(db::SqliteConnection& connection) {
  AddedIndexes result;
  result.bytesBefore = FileBytes(connection);
  connection.Execute("BEGIN");
  try {
    result.added = CreateMissingIndexes(connection);
    connection.Execute("COMMIT");
  } catch (...) {
    // On a full disk SQLite ends the transaction itself; a second ROLLBACK would fail and hide why.
    if (sqlite3_get_autocommit(connection.Handle()) == 0) {
      try {
        connection.Execute("ROLLBACK");
      } catch (const db::DbError& failure) {
        qCWarning(lcDataIndexes) << "rollback after a failed index build:" << failure.what();
      }
    }
    throw;
  }
  result.bytesAfter = FileBytes(connection);
  return result;
}

}  // namespace quorvia::data_indexes
