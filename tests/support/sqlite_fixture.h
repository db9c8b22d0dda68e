#pragma once

#include <sqlite3.h>

#include <algorithm>
#include <string>
#include <vector>

#include "db/sqlite_connection.h"
#include "db/sqlite_statement.h"
#include "query/filters.h"
#include "temp_folder.h"

namespace quorvia::testing {

// Runs plain SQLite SQL (several statements allowed) on a file, creating it when missing.
using db::ExecuteSql;

// A single number from a query of plain SQLite SQL; 0 when the query has no row.
inline double QueryNumber(const std::string& file, const std::string& sql) {
  const db::SqliteConnection connection(file, SQLITE_OPEN_READONLY);
  db::SqliteStatement statement(connection.Handle(), sql);
  return statement.Step() ? statement.Column(0).ToDouble() : 0;
}

// A single text from a query of plain SQLite SQL; empty when the query has no row.
inline std::string QueryText(const std::string& file, const std::string& sql) {
  const db::SqliteConnection connection(file, SQLITE_OPEN_READONLY);
  db::SqliteStatement statement(connection.Handle(), sql);
  return statement.Step() ? statement.Column(0).ToString() : std::string();
}

// The filter columns of a country's units and data, as the filter table names them: the plain filters'
// columns and the levelled filters' level columns, each in the where clause's order.
inline std::string FilterColumns(query::FilterKind kind) {
  std::vector<const query::Filter*> order;
  for (const query::Filter& filter : query::kFilters) order.push_back(&filter);
  std::ranges::sort(order, {}, &query::Filter::conditionPosition);
  std::string columns;
  const auto add = [&columns](const char* column) {
    columns += (columns.empty() ? "" : ", ") + std::string(column) + " TEXT";
  };
  for (const query::Filter* filter : order) {
    if (filter->kind != kind) continue;
    if (kind != query::FilterKind::levelled) add(filter->column);
    for (const char* column : filter->levelColumns) {
      if (column != nullptr) add(column);
    }
  }
  return columns;
}

// The unit and data tables of one country in the shape the program reads; `change1` can be left out.
inline std::string CountryTablesSql(const std::string& code, bool withChange1 = true) {
  using query::FilterKind;
  const std::string units = "CREATE TABLE UNITS_" + code + " (STATUS TEXT, " +
                            FilterColumns(FilterKind::plain) + ", " + FilterColumns(FilterKind::levelled) +
                            ");";
  const std::string data = "CREATE TABLE DATA_" + code + " (AREAHA REAL, N0CD TEXT, " +
                           (withChange1 ? std::string("change1 TEXT, ") : std::string()) + "change2 TEXT, " +
                           FilterColumns(FilterKind::levelled) + ", " + FilterColumns(FilterKind::plain) +
                           ");";
  return units + data;
}

// The columns of the unit and data rows that tests write, in the order they give the values. The columns
// are named, so that a column the rows do not give (a filter added later) stays empty.
inline std::string UnitColumns() { return "STATUS, WSCODE, DLT, CSTDS, N1, N2, N3, EBKL1DS, EBKL2DS"; }
inline std::string RecordColumns(bool withChange1 = true) {
  return std::string("AREAHA, N0CD, ") + (withChange1 ? "change1, " : "") +
         "change2, N1, N2, N3, EBKL1DS, EBKL2DS, WSCODE, DLT, CSTDS";
}

// The start of an INSERT of unit rows or change records of a country, by the columns above.
inline std::string InsertUnits(const std::string& code) {
  return "INSERT INTO UNITS_" + code + " (" + UnitColumns() + ") VALUES ";
}
inline std::string InsertRecords(const std::string& code, bool withChange1 = true) {
  return "INSERT INTO DATA_" + code + " (" + RecordColumns(withChange1) + ") VALUES ";
}

}  // namespace quorvia::testing
