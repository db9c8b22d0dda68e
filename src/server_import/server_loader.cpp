#include "server_import/server_loader.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <optional>
#include <set>
#include <stdexcept>

#include "data_indexes/data_indexes.h"
#include "db/ascii_case.h"
#include "db/pg/pg_connection.h"
#include "db/pg/pg_dialect.h"
#include "db/sql_dialect.h"
#include "db/view_definition.h"
#include "import_rows/import_error.h"
#include "vocabulary/data_tables.h"

namespace quorvia::server_import {
namespace {

using db::QuoteIdentifier;
using db::pg::PgConnection;
using db::pg::StoredName;

constexpr std::size_t kCopyChunkBytes = 1 << 20;
constexpr std::int64_t kProgressEveryRows = 100'000;

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

std::string QualifiedName(const SourceTable& table) {
  return "public." + QuoteIdentifier(StoredName(table.name));
}

void AppendCell(std::string& line, const Cell& cell) {
  char number[32];
  if (std::holds_alternative<std::monostate>(cell)) {
    line += "\\N";
  } else if (const auto* integer = std::get_if<std::int64_t>(&cell)) {
    line.append(number, std::to_chars(number, number + sizeof number, *integer).ptr);
  } else if (const auto* real = std::get_if<double>(&cell)) {
    // The shortest text that reads back as the same double.
    line.append(number, std::to_chars(number, number + sizeof number, *real).ptr);
  } else if (const auto* text = std::get_if<std::string>(&cell)) {
    db::pg::AppendCopyText(line, *text);
  } else {
    static constexpr char kHex[] = "0123456789abcdef";
    line += "\\\\x";
    for (const unsigned char c : std::get<Bytes>(cell).bytes) {
      line += kHex[c >> 4];
      line += kHex[c & 15];
    }
  }
}

// Names must stay apart once folded to lower case.
void CheckNames(const std::vector<SourceTable>& tables) {
  std::set<std::string> tableNames;
  for (const auto& table : tables) {
    if (!tableNames.insert(StoredName(table.name)).second) {
      throw std::runtime_error("two tables are named " + table.name + " when letter case is ignored");
    }
    std::set<std::string> columnNames;
    for (const auto& column : table.columns) {
      if (!columnNames.insert(StoredName(column.name)).second) {
        throw std::runtime_error("the table " + table.name + " has two columns named " + column.name +
                                 " when letter case is ignored");
      }
    }
  }
}

std::vector<std::string> ExistingTables(PgConnection& server, const std::vector<SourceTable>& tables) {
  std::vector<std::string> existing;
  for (const auto& table : tables) {
    if (!server
             .QueryText("SELECT 1 FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                        "WHERE n.nspname = 'public' AND c.relname = $1",
                        {StoredName(table.name)})
             .empty()) {
      existing.push_back(StoredName(table.name));
    }
  }
  return existing;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const auto& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

void CreateTable(PgConnection& server, const SourceTable& table) {
  std::string columns;
  for (const auto& column : table.columns) {
    if (!columns.empty()) columns += ", ";
    columns += QuoteIdentifier(StoredName(column.name)) + " " + ServerColumnType(column.declaredType);
  }
  server.Execute("CREATE TABLE " + QualifiedName(table) + " (" + columns + ")");
  const std::string marker(db::pg::kSourceNameMarker);
  server.Execute("COMMENT ON TABLE " + QualifiedName(table) + " IS " + db::QuoteLiteral(marker + table.name));
  for (const auto& column : table.columns) {
    server.Execute("COMMENT ON COLUMN " + QualifiedName(table) + "." +
                   QuoteIdentifier(StoredName(column.name)) + " IS " +
                   db::QuoteLiteral(marker + column.name));
  }
}

// The columns of a change table that its units table has too: the columns the program filters on.
std::vector<std::string> FilterColumns(const SourceTable& table, const std::vector<SourceTable>& tables) {
  const std::string name = db::UpperAscii(table.name);
  if (!name.starts_with(vocabulary::kDataTablePrefix)) return {};
  const std::string suffix = name.substr(std::char_traits<char>::length(vocabulary::kDataTablePrefix));
  const auto units = std::ranges::find_if(tables, [&](const SourceTable& other) {
    return db::EqualsIgnoringAsciiCase(other.name, vocabulary::kUnitsTablePrefix + suffix);
  });
  if (units == tables.end()) return {};
  std::vector<std::string> columns;
  for (const auto& column : table.columns) {
    const bool shared = std::ranges::any_of(units->columns, [&](const SourceColumn& other) {
      return db::EqualsIgnoringAsciiCase(other.name, column.name);
    });
    if (shared) columns.push_back(StoredName(column.name));
  }
  return columns;
}

// With every filter on "All" the queries read a whole country. A narrow index in group order answers them
// without the table: no row's country is folded again nor its change type hashed, which halved the
// server's processor time for that selection on 10,000,000 records. Returns the folded country column,
// which that index leads with; nothing when the table has no such columns.
std::optional<std::string> CreateWholeCountryIndex(PgConnection& server, const SourceTable& table) {
  std::vector<std::string> names;
  for (const auto& column : table.columns) names.push_back(StoredName(column.name));
  const auto columns = data_indexes::WholeCountryColumnsOf(names);
  if (!columns) return std::nullopt;
  const std::string country = QuoteIdentifier(columns->country);
  const std::string folded = db::pg::FoldedColumn(country);
  server.Execute("CREATE INDEX ON " + QualifiedName(table) + " ((" + folded + "), " +
                 QuoteIdentifier(columns->change) + ") INCLUDE (" + QuoteIdentifier(columns->area) + ", " +
                 country + ")");
  return folded;
}

// The comparison that every change query of a one-country table makes, `lower(N0CD COLLATE "C") = 'fr'`,
// when every row with a country has the same one; nothing for a table without rows or with several
// countries. The least and greatest folded country are read from the whole-country index that leads with
// that column, at once.
std::optional<std::string> OneCountryComparison(PgConnection& server, const SourceTable& table,
                                                const std::string& foldedCountry) {
  const std::string lowest = "SELECT min(" + foldedCountry + ") FROM " + QualifiedName(table);
  const std::string highest = "SELECT max(" + foldedCountry + ") FROM " + QualifiedName(table);
  const std::string country = server.QueryText(lowest);
  if (country.empty() || server.QueryText(highest) != country) return std::nullopt;
  return foldedCountry + " = " + db::QuoteLiteral(country);
}

// The filter columns get an index on the folded form in which the program compares them; every other text
// column of a change table (the country code above all) gets statistics on that form, without which the
// planner guesses that a comparison keeps a few rows and sorts the whole table to group it.
//
// In a table of one country the filter indexes hold only that country's rows. Every change query compares
// the country too, and an index scan then leaves that comparison to the index: on 10,000,000 records a
// NUTS L1 region with a shoreline class folded the country of its 1.8 million rows for nothing, a fifth of
// the query's time. The planner takes no statistics from such an index, so its columns get their own.
void DescribeFoldedColumns(PgConnection& server, const SourceTable& table,
                           const std::vector<SourceTable>& tables) {
  const auto filterColumns = FilterColumns(table, tables);
  if (filterColumns.empty()) return;
  const auto foldedCountry = CreateWholeCountryIndex(server, table);
  const auto oneCountry =
      foldedCountry ? OneCountryComparison(server, table, *foldedCountry) : std::optional<std::string>();
  for (const auto& column : filterColumns) {
    const std::string folded = db::pg::FoldedColumn(QuoteIdentifier(column));
    const bool partial = oneCountry && folded != *foldedCountry;
    server.Execute("CREATE INDEX ON " + QualifiedName(table) + " ((" + folded + "))" +
                   (partial ? " WHERE " + *oneCountry : std::string()));
  }
  // Named by the table's number, as names built from long table and column names could be cut to the
  // same 63 characters.
  const std::string tableNumber = server.QueryText("SELECT $1::regclass::oid", {QualifiedName(table)});
  for (std::size_t index = 0; index < table.columns.size(); ++index) {
    const auto& column = table.columns[index];
    const std::string name = StoredName(column.name);
    const std::string folded = db::pg::FoldedColumn(QuoteIdentifier(name));
    const bool indexedWhole = std::ranges::find(filterColumns, name) != filterColumns.end() &&
                              (!oneCountry || folded == *foldedCountry);
    if (!ServerColumnType(column.declaredType).starts_with("text") || indexedWhole) continue;
    server.Execute("CREATE STATISTICS public.folded_" + tableNumber + "_" + std::to_string(index) + " ON (" +
                   folded + ") FROM " + QualifiedName(table));
  }
}

}  // namespace

std::string ServerColumnType(const std::string& declaredType) {
  // SQLite's rules for a column's affinity, in its order; text compares without regard to letter case.
  const std::string type = db::UpperAscii(declaredType);
  // Text columns compare byte by byte (grouping and DISTINCT stay fast); the program's comparisons fold
  // letter case themselves, and the filter columns' indexes are built on the folded form.
  const std::string text = "text COLLATE \"C\"";
  if (Contains(type, "INT")) return "bigint";
  if (Contains(type, "CHAR") || Contains(type, "CLOB") || Contains(type, "TEXT")) return text;
  if (Contains(type, "BLOB")) return "bytea";
  if (Contains(type, "REAL") || Contains(type, "FLOA") || Contains(type, "DOUB")) return "double precision";
  if (type.empty() || Contains(type, "DATE") || Contains(type, "TIME")) return text;
  return "numeric";
}

LoadSummary LoadIntoServer(RowSource& source, const std::string& conninfo, const LoadOptions& options) {
  const auto started = std::chrono::steady_clock::now();
  const auto& tables = source.Tables();
  CheckNames(tables);
  PgConnection server(conninfo);
  if (const auto existing = ExistingTables(server, tables); !existing.empty() && !options.replace) {
    throw std::runtime_error("The " + server.Describe() + " already holds the tables " + Joined(existing) +
                             "; nothing was written (--replace replaces them)");
  }
  LoadProgress progress;
  progress.tableCount = static_cast<int>(tables.size());
  for (const auto& table : tables) progress.rowsInAll += table.rowCount;
  const auto report = [&] {
    if (options.progress) options.progress(progress);
    if (options.cancelled && options.cancelled()) {
      // Leaving without COMMIT: the connection ends with the transaction open, and the server drops it.
      throw import_rows::ImportCancelled("The load into the " + server.Describe() +
                                         " was cancelled; nothing was written.");
    }
  };

  server.Execute("BEGIN");
  server.Execute(std::string(db::pg::kCreateNoCaseCollation));
  // Index builds sort whole columns; more memory keeps the sorts off the disk.
  server.Execute("SET LOCAL maintenance_work_mem = '256MB'");
  LoadSummary summary;
  for (std::size_t index = 0; index < tables.size(); ++index) {
    const SourceTable& table = tables[index];
    progress.table = table.name;
    progress.tableIndex = static_cast<int>(index);
    progress.rowsDone = 0;
    progress.tableRows = table.rowCount;
    report();
    if (options.replace) server.Execute("DROP TABLE IF EXISTS " + QualifiedName(table) + " CASCADE");
    CreateTable(server, table);
    // The table is new in this transaction, so its rows can be written frozen: the first scans after the
    // load then neither set hint bits on every row nor write the whole table out again.
    server.BeginCopy("COPY " + QualifiedName(table) + " FROM STDIN (FREEZE)");
    std::string chunk;
    chunk.reserve(kCopyChunkBytes + 4096);
    source.ReadRows(index, [&](std::span<const Cell> row) {
      for (std::size_t c = 0; c < row.size(); ++c) {
        if (c > 0) chunk += '\t';
        AppendCell(chunk, row[c]);
      }
      chunk += '\n';
      if (chunk.size() >= kCopyChunkBytes) {
        server.SendCopyData(chunk);
        chunk.clear();
      }
      ++progress.rowsDone;
      ++progress.rowsDoneInAll;
      if (progress.rowsDone % kProgressEveryRows == 0) report();
    });
    if (!chunk.empty()) server.SendCopyData(chunk);
    server.EndCopy();
    DescribeFoldedColumns(server, table, tables);
    server.Execute("ANALYZE " + QualifiedName(table));
    report();
    ++summary.tables;
    summary.rows += progress.rowsDone;
  }
  server.Execute("COMMIT");
  summary.storedQueries = source.StoredQueryCount();
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return summary;
}

}  // namespace quorvia::server_import
