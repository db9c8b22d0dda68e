#include "access_import/convert.h"

#include <chrono>

#include "access_import/access_reader.h"
#include "access_import/sqlite_target.h"
#include "file_mode/file_sync.h"
#include "import_rows/import_error.h"

namespace quorvia::access_import {
namespace {

constexpr std::int64_t kProgressEveryRows = 4096;

}  // namespace

import_rows::ImportSummary ConvertAccessFile(const std::string& source, const std::string& target,
                                             const import_rows::ProgressFn& progress) {
  const auto start = std::chrono::steady_clock::now();
  AccessReader reader(source);
  std::unique_ptr<SqliteTarget> output;
  try {
    output = std::make_unique<SqliteTarget>(target);
  } catch (const std::runtime_error& error) {
    throw import_rows::ImportError("Cannot write " + target + ": " + error.what());
  }

  import_rows::ImportProgress state;
  state.tableCount = static_cast<int>(reader.Tables().size());
  for (const auto& table : reader.Tables()) state.rowsInAll += table.rowCount;
  import_rows::ImportSummary summary;
  for (std::size_t t = 0; t < reader.Tables().size(); ++t) {
    const import_rows::Table& table = reader.Tables()[t];
    state.table = table.name;
    state.tableIndex = static_cast<int>(t);
    state.tableRows = table.rowCount;
    state.rowsDone = 0;
    progress(state);
    try {
      output->CreateTable(table);
    } catch (const std::runtime_error& error) {
      throw import_rows::ImportError("Cannot write " + target + ": table " + table.name + ": " +
                                     error.what());
    }
    reader.ReadRows(t, [&](std::span<const import_rows::Cell> row) {
      try {
        output->Insert(row);
      } catch (const std::runtime_error& error) {
        throw import_rows::ImportError("Cannot write " + target + ": table " + table.name + ", row " +
                                       std::to_string(state.rowsDone + 1) + ": " + error.what());
      }
      ++state.rowsDone;
      ++state.rowsDoneInAll;
      if (state.rowsDone % kProgressEveryRows == 0) progress(state);
    });
    progress(state);
    ++summary.tables;
    summary.rows += state.rowsDone;
  }
  try {
    output->Commit();
    file_mode::SyncFile(target);
  } catch (const std::runtime_error& error) {
    throw import_rows::ImportError("Cannot write " + target + ": " + error.what());
  }
  summary.storedQueries = reader.StoredQueryCount();
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return summary;
}

}  // namespace quorvia::access_import
