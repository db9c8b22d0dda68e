#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/sqlite_connection.h"
#include "db/table_defs.h"

namespace quorvia::data_indexes {

// An index that the program's queries on a change table use.
struct IndexDefinition {
  std::string name;
  std::string table;
  std::vector<std::string> columns;
  std::string CreateSql() const;
};

// The indexes a change table (DATA_cc) needs, given its units table (UNITS_cc, whose columns are the
// filter columns). Each holds every column the queries name, so that no query reads the table through
// it (the planner prefers an index in group order, and reading each row of a whole table through one
// is many times slower than reading the table): one led by the country and the change column the
// queries group by, read in group order whatever the filters; one each led by the first and the last
// NUTS level and that change column, so that a region reads only its own stretch. The queries compare
// columns with their declared collation, so plain indexes serve them. Nothing for any other table.
std::vector<IndexDefinition> IndexesFor(const db::TableDef& table, const db::TableDefs& tables);

// The columns a change table's queries name when every filter is on "All": the country compared, the change
// column grouped by and the area summed, spelled as `columns` spells them; nothing when one is missing.
struct WholeCountryColumns {
  std::string country;
  std::string change;
  std::string area;
};
std::optional<WholeCountryColumns> WholeCountryColumnsOf(const std::vector<std::string>& columns);

// The column in whose order a change table's records keep every region of every NUTS level together (the
// last level's codes begin with the codes of the levels above), when the table has one: a copy of the table
// written in that order holds each region on a few neighbouring pages.
std::optional<std::string> RegionOrderColumn(const db::TableDef& table);

// Sets the page size of a file that is about to be written (before its first table): 64 KB, the largest
// SQLite has. The change queries read long stretches of a table or an index, and with the 4 KB default
// every one of them took about half as long again (on 10,000,000 records a NUTS L1 region with a shoreline
// class 0.32 s against 0.53 s, a whole country 0.98 s against 1.74 s), in system calls and page handling.
void UseLargePages(db::SqliteConnection& newFile);

// Rewrites an existing file with 64 KB pages (VACUUM) when its pages are smaller and it is not in WAL
// mode, where the page size cannot change; returns the former page size when it did. Throws DbError, and
// the file is then as it was.
std::optional<int> RewriteWithLargePages(db::SqliteConnection& connection);

// Whether RewriteWithLargePages would rewrite the file.
bool WantsLargePages(db::SqliteConnection& connection);

// The indexes of every change table that it lacks (known by name).
std::vector<IndexDefinition> MissingIndexes(db::SqliteConnection& connection);

// Creates the indexes of every change table that it lacks and refreshes the planner's statistics, inside
// the caller's transaction; returns what it created. Throws DbError.
std::vector<IndexDefinition> CreateMissingIndexes(db::SqliteConnection& connection);

// About how many bytes the index takes once built: as much as its table, whose every column the covering
// indexes hold, or the whole file where SQLite cannot measure a table.
std::int64_t EstimatedBytes(db::SqliteConnection& connection, const IndexDefinition& index);

// Puts the file back as it was after a write that failed half way: when the failure (a full disk) left
// SQLite unable to roll back at once, the file is only restored from its journal when it is next read,
// and until then it is damaged and a hot journal lies beside it. Reads it now so that SQLite restores it;
// false when it could not (another program holds the file), and the journal then still holds the file's
// former content.
bool RestoreAfterFailedWrite(db::SqliteConnection& connection) noexcept;

// What AddDataIndexes did.
struct AddedIndexes {
  std::vector<IndexDefinition> added;
  std::int64_t bytesBefore = 0;
  std::int64_t bytesAfter = 0;
};

// CreateMissingIndexes in a transaction of its own, with the file's size before and after. On failure the
// transaction is rolled back and the engine's own error is thrown (SQLite may have rolled back already).
AddedIndexes AddDataIndexes(db::SqliteConnection& connection);

}  // namespace quorvia::data_indexes
