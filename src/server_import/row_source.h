#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace quorvia::server_import {

// One value of a source row: NULL, an integer, a floating-point number, UTF-8 text, or bytes.
struct Bytes {
  std::string bytes;
};
using Cell = std::variant<std::monostate, std::int64_t, double, std::string, Bytes>;

struct SourceColumn {
  std::string name;          // exactly as stored
  std::string declaredType;  // the column's type in SQLite terms (INTEGER, REAL, TEXT, BLOB, NUMERIC...)
};

struct SourceTable {
  std::string name;  // exactly as stored
  std::vector<SourceColumn> columns;
  std::int64_t rowCount = 0;
};

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
