#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "import_rows/rows.h"

namespace quorvia::server_import {

// Tables, columns and values in the words that every import shares: one value of a row is NULL, an integer,
// a floating-point number, UTF-8 text or bytes; a column's type is given in SQLite terms. Every source speaks
// them, so rows of an Access file pass through unchanged.
using Bytes = import_rows::Blob;
using Cell = import_rows::Cell;
using SourceColumn = import_rows::Column;
using SourceTable = import_rows::Table;

// Tables and rows to load into a server: a database file of the program, or a file of another program
// read through its own reader.
class RowSource {
 public:
  virtual ~RowSource() = default;
  virtual const std::string& Name() const = 0;
  // User tables in the source's own order.
  virtual const std::vector<SourceTable>& Tables() const = 0;
  // Stored queries that are not loaded (every analyst's next update makes FILTERED anew).
  virtual int StoredQueryCount() const = 0;
  // Streams the rows of table `index`; the cells are valid during the call only.
  using RowFn = std::function<void(std::span<const Cell>)>;
  virtual void ReadRows(std::size_t index, const RowFn& onRow) = 0;
};

}  // namespace quorvia::server_import
