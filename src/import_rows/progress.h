#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quorvia::import_rows {

// Where an import stands: the table being copied and how many of its rows are done.
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

}  // namespace quorvia::import_rows
