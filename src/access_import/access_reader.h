#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace quorvia::access_import {

// Bytes of a binary or OLE value.
struct Blob {
  std::string bytes;
};

// One value of a row: NULL, an integer, a floating-point number, UTF-8 text or bytes. Currency and
// decimal values travel as their exact decimal text; the column's numeric affinity makes SQLite store a
// number.
using Cell = std::variant<std::monostate, std::int64_t, double, std::string, Blob>;

struct AccessColumn {
  std::string name;          // exactly as stored
  std::string declaredType;  // the SQLite column type whose affinity follows the Access type
};

struct AccessTable {
  std::string name;  // exactly as stored
  std::vector<AccessColumn> columns;
  std::int64_t rowCount = 0;  // as the table definition records it
};

// The user tables of an Access file, read through libmdb. The file is opened read-only.
// Values are decoded from the stored bytes; libmdb's row-cracking gives each field's null flag, so NULL
// and zero-length text stay apart.
class AccessReader {
 public:
  // Throws ImportError when libmdb cannot open the file or read its catalogue.
  explicit AccessReader(const std::string& path);
  ~AccessReader();
  AccessReader(const AccessReader&) = delete;
  AccessReader& operator=(const AccessReader&) = delete;

  // User tables in the catalogue's order; system tables (MSys...) are left out.
  const std::vector<AccessTable>& Tables() const { return tables_; }
  int StoredQueryCount() const { return storedQueries_; }

  // Streams the rows of table `index`, in stored order, to `onRow`; the cells are valid during the call
  // only. Throws ImportError naming the file, table and row when a page or row is damaged, or when fewer
  // or more rows come out than the table records.
  using RowFn = std::function<void(std::span<const Cell>)>;
  void ReadRows(std::size_t index, const RowFn& onRow);

 private:
  struct Handle;
  std::string path_;
  std::unique_ptr<Handle> handle_;
  std::vector<AccessTable> tables_;
  int storedQueries_ = 0;
};

}  // namespace quorvia::access_import
