#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/field_value.h"

namespace quorvia::db {

// The rows of one query result. All rows are read when the result is opened, so RecordCount is the full
// number of rows at once. A fresh recordset stands on its first row (or at Eof when empty).
class Recordset {
 public:
  Recordset(std::vector<std::string> fieldNames, std::vector<std::vector<FieldValue>> rows);

  void MoveFirst();  // DbError kNoCurrentRecord on an empty result
  // True once past the last row. (Not named EOF: that is a C library macro.)
  bool Eof() const noexcept;
  void MoveNext();  // DbError kNoCurrentRecord when already past the last row
  void Close();     // releases the rows; the recordset is empty afterwards
  long RecordCount() const noexcept;

  // Value of the named column (letter case ignored) on the current row.
  // DbError kItemNotFound for an unknown name, kNoCurrentRecord at Eof.
  const FieldValue& Value(std::string_view fieldName) const;

  // Value of the column at position (from 0) on the current row. DbError kItemNotFound for a position out
  // of range, kNoCurrentRecord at Eof.
  const FieldValue& ValueAt(int position) const;

  int FieldCount() const noexcept;
  const std::string& FieldName(int position) const;

 private:
  std::vector<std::string> fieldNames_;
  std::vector<std::vector<FieldValue>> rows_;
  std::size_t current_ = 0;
};

}  // namespace quorvia::db
