#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "import_rows/progress.h"

namespace quorvia::access_import {

// Copies every user table of the Access file `source` into the new SQLite database `target`, in one
// transaction, reporting progress at each table's start and end and every few thousand rows. Runs in
// the calling process: libmdb can take a damaged file's process down with it, which is why callers go
// through ConvertInChildProcess, which also watches for the user's cancel. Throws ImportError; `target` may
// then be left half-written for the caller to remove.
import_rows::ImportSummary ConvertAccessFile(const std::string& source, const std::string& target,
                                             const import_rows::ProgressFn& progress);

}  // namespace quorvia::access_import
