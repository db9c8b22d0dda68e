#pragma once

#include <stdexcept>

namespace quorvia::import_rows {

// An import that did not complete. The text says what failed and where (file, table, row); whatever
// the import had written is gone by the time the caller sees it.
class ImportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The user cancelled; nothing was changed.
class ImportCancelled : public ImportError {
 public:
  using ImportError::ImportError;
};

}  // namespace quorvia::import_rows
