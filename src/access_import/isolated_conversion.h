#pragma once

#include <string>

#include "access_import/convert.h"

namespace quorvia::access_import {

// ConvertAccessFile run in a child process, so that a damaged file that makes libmdb crash, abort or loop
// costs that process only: the caller gets an ImportError saying where the reader stopped. Progress and
// the final summary come back over a pipe; the cancel check is asked several times a second and ends the
// child at once. libmdb's own warnings are kept from the caller's standard error and quoted in the
// message when the conversion fails.
import_rows::ImportSummary ConvertInChildProcess(const std::string& source, const std::string& target,
                                                 const import_rows::ProgressFn& progress,
                                                 const import_rows::CancelFn& cancelled);

}  // namespace quorvia::access_import
