#include "db/recordset.h"

#include <utility>

#include "db/ascii_case.h"
#include "db/db_error.h"

namespace quorvia::db {

namespace {

[[noreturn]] void ThrowNoCurrentRecord() { throw DbError(kNoCurrentRecord, "No current record."); }
[[noreturn]] void ThrowItemNotFound() { throw DbError(kItemNotFound, "Item not found in this collection."); }

}  // namespace

Recordset::Recordset(std::vector<std::string> fieldNames, std::vector<std::vector<FieldValue>> rows)
    : fieldNames_(std::move(fieldNames)), rows_(std::move(rows)) {}

void Recordset::MoveFirst() {
  if (rows_.empty()) ThrowNoCurrentRecord();
  current_ = 0;
}

bool Recordset::Eof() const noexcept { return current_ >= rows_.size(); }

void Recordset::MoveNext() {
  if (Eof()) ThrowNoCurrentRecord();
  ++current_;
}

void Recordset::Close() {
  // Swapping with an empty vector gives the memory back; clear() would keep the capacity.
  std::vector<std::vector<FieldValue>>().swap(rows_);
  current_ = 0;
}

long Recordset::RecordCount() const noexcept { return static_cast<long>(rows_.size()); }

const FieldValue& Recordset::Value(std::string_view fieldName) const {
  for (std::size_t column = 0; column < fieldNames_.size(); ++column) {
    if (!EqualsIgnoringAsciiCase(fieldNames_[column], fieldName)) continue;
    if (Eof()) ThrowNoCurrentRecord();
    return rows_[current_][column];
  }
  ThrowItemNotFound();
}

const FieldValue& Recordset::ValueAt(int position) const {
  if (position < 0 || position >= FieldCount()) ThrowItemNotFound();
  if (Eof()) ThrowNoCurrentRecord();
  return rows_[current_][static_cast<std::size_t>(position)];
}

int Recordset::FieldCount() const noexcept { return static_cast<int>(fieldNames_.size()); }

const std::string& Recordset::FieldName(int position) const {
  if (position < 0 || position >= FieldCount()) ThrowItemNotFound();
  return fieldNames_[static_cast<std::size_t>(position)];
}

}  // namespace quorvia::db
