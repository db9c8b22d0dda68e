#pragma once

#include <sqlite3.h>

#include <string>

#include "db/sqlite_connection.h"
#include "db/sqlite_statement.h"
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

// The unit and data tables of one country in the shape the program reads; `change1` can be left out.
inline std::string CountryTablesSql(const std::string& code, bool withChange1 = true) {
  const std::string units = "CREATE TABLE UNITS_" + code +
                            " (STATUS TEXT, WSCODE TEXT, DLT TEXT, CSTDS TEXT, N1 TEXT, N2 TEXT, N3 TEXT,"
                            " EBKL1DS TEXT, EBKL2DS TEXT);";
  const std::string data = "CREATE TABLE DATA_" + code + " (AREAHA REAL, N0CD TEXT, " +
                           (withChange1 ? std::string("change1 TEXT, ") : std::string()) +
                           "change2 TEXT, N1 TEXT, N2 TEXT, N3 TEXT, EBKL1DS TEXT, EBKL2DS TEXT, WSCODE TEXT,"
                           " DLT TEXT, CSTDS TEXT);";
  return units + data;
}

}  // namespace quorvia::testing
