#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "import_rows/rows.h"

namespace quorvia::access_import {

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
  const std::vector<import_rows::Table>& Tables() const { return tables_; }
  int StoredQueryCount() const { return storedQueries_; }

  // Streams the rows of table `index`, in stored order, to `onRow`; the cells are valid during the call
  // only. Throws ImportError naming the file, table and row when a page or row is damaged, or when fewer
  // or more rows come out than the table records.
  using RowFn = std::function<void(std::span<const import_rows::Cell>)>;
  void ReadRows(std::size_t index, const RowFn& onRow);

 private:
  struct Handle;
  std::string path_;
  std::unique_ptr<Handle> handle_;
  std::vector<import_rows::Table> tables_;
  int storedQueries_ = 0;
};

}  // namespace quorvia::access_import
