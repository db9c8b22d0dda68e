#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "row_source.h"

namespace quorvia::server_import {

// Where a load stands: the table being copied and how many of its rows are done.
struct LoadProgress {
  std::string table;
  int tableIndex = 0;  // from 0
  int tableCount = 0;
  std::int64_t rowsDone = 0;
  std::int64_t tableRows = 0;
  std::int64_t rowsDoneInAll = 0;
  std::int64_t rowsInAll = 0;
};

struct LoadSummary {
  int tables = 0;
  std::int64_t rows = 0;
  int storedQueries = 0;  // not loaded: every analyst's next update makes their own FILTERED
  double seconds = 0;
};

struct LoadOptions {
  bool replace = false;  // drop tables of the same names first (and the views that read them)
  std::function<void(const LoadProgress&)> progress;
};

// Loads every table of the source into the schema public of the server database named by the connection
// string, with COPY, in one transaction: either all tables arrive or none. Names are stored in lower case
// (the server's unquoted names, so the program's names find them whatever their case; the source's
// spelling is kept in a comment for the table list), and a change table (DATA_...) gets an index on each
// column its units table (UNITS_...) shares with it, the filter columns, in the case-blind collation
// quorvia_nocase (made when missing) that the program's comparisons use. A table that exists already is an error before anything is written, unless options.replace.
// DbError or std::runtime_error says why; the server then holds what it held before.
LoadSummary LoadIntoServer(RowSource& source, const std::string& conninfo, const LoadOptions& options);

// The server column type for a source column's declared type.
std::string ServerColumnType(const std::string& declaredType);

}  // namespace quorvia::server_import
