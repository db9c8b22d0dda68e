#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace quorvia::import_rows {

// Bytes of a binary or OLE value.
struct Blob {
  std::string bytes;
};

// One value of a row: NULL, an integer, a floating-point number, UTF-8 text or bytes. Currency and
// decimal values travel as their exact decimal text; the column's numeric affinity makes SQLite store a
// number.
using Cell = std::variant<std::monostate, std::int64_t, double, std::string, Blob>;

struct Column {
  std::string name;          // exactly as stored
  std::string declaredType;  // the SQLite column type whose affinity follows the source's type
};

struct Table {
  std::string name;  // exactly as stored
  std::vector<Column> columns;
  std::int64_t rowCount = 0;  // as the table definition records it
};

}  // namespace quorvia::import_rows
