#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quorvia::access_import {

// Where a conversion stands: the table being copied and how many of its rows are done.
struct ImportProgress {
  std::string table;
  int tableIndex = 0;  // from 0
  int tableCount = 0;
  std::int64_t rowsDone = 0;
  std::int64_t tableRows = 0;  // as the table records it
  std::int64_t rowsDoneInAll = 0;
  std::int64_t rowsInAll = 0;
};

struct ImportSummary {
  int tables = 0;
  std::int64_t rows = 0;
  int storedQueries = 0;  // not converted: the next update writes FILTERED anew
  double seconds = 0;
};

using ProgressFn = std::function<void(const ImportProgress&)>;
// True when the user asks to stop.
using CancelFn = std::function<bool()>;

// Copies every user table of the Access file `source` into the new SQLite database `target`, in one
// transaction, reporting progress at each table's start and end and every few thousand rows. Runs in
// the calling process: libmdb can take a damaged file's process down with it, which is why callers go
// through ConvertInChildProcess, which also watches for the user's cancel. Throws ImportError; `target` may
// then be left half-written for the caller to remove.
ImportSummary ConvertAccessFile(const std::string& source, const std::string& target,
                                const ProgressFn& progress);

}  // namespace quorvia::access_import
