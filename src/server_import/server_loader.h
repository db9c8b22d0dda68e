#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "import_rows/progress.h"
#include "server_import/row_source.h"

namespace quorvia::server_import {

// Progress and summary are those of the file import, so both print alike.
using LoadProgress = import_rows::ImportProgress;
using LoadSummary = import_rows::ImportSummary;

struct LoadOptions {
  bool replace = false;  // drop tables of the same names first (and the views that read them)
  import_rows::ProgressFn progress;
  import_rows::CancelFn cancelled;  // asked with every progress report; true ends the load, nothing kept
};

// Loads every table of the source into the schema public of the server database named by the connection
// string, with COPY, in one transaction: either all tables arrive or none. Names are stored in lower case
// (the server's unquoted names, so the program's names find them whatever their case; the source's
// spelling is kept in a comment for the table list), and a change table (DATA_...) gets an index on each
// column its units table (UNITS_...) shares with it, the filter columns, by the folded form in which the
// program compares them (db::pg::FoldedColumn); the collation quorvia_nocase is made when missing. A table
// that exists already is an error before anything is written, unless options.replace. DbError or
// std::runtime_error says why (import_rows::ImportCancelled when cancelled); the server then holds what it
// held before.
LoadSummary LoadIntoServer(RowSource& source, const std::string& conninfo, const LoadOptions& options);

// The server column type for a source column's declared type.
std::string ServerColumnType(const std::string& declaredType);

}  // namespace quorvia::server_import
