#pragma once

#include <string>

#include "access_import/convert.h"

namespace quorvia::access_import {

// Converts the Access file `source` into the SQLite database `target`. The database is written to a
// temporary file beside `target`, committed, flushed and moved into place only when complete; an existing
// `target` is never replaced. On failure nothing is left behind.
import_rows::ImportSummary ImportAccessFile(const std::string& source, const std::string& target,
                                            const import_rows::ProgressFn& progress,
                                            const import_rows::CancelFn& cancelled);

struct InPlaceConversion {
  import_rows::ImportSummary summary;
  std::string keptAs;  // where the original now is
};

// Replaces the Access database at `path` by its SQLite conversion under the same name. The original is
// kept byte for byte as "<stem>.access<extension>" beside it, or the first free "<stem>.access
// (N)<extension>" (N from 2); no existing file is overwritten. On any failure, cancel included, the folder is
// left exactly as it was.
InPlaceConversion ConvertInPlace(const std::string& path, const import_rows::ProgressFn& progress,
                                 const import_rows::CancelFn& cancelled);

// The name the original of `path` is kept under: number 1 is "<stem>.access<extension>".
std::string KeptName(const std::string& path, int number);
// The first kept name of `path` that no file has yet.
std::string FirstFreeKeptName(const std::string& path);

}  // namespace quorvia::access_import
