#include "workbook/query_table.h"

#include <cstdint>

namespace quorvia::workbook {

QueryValue SheetValue(const db::FieldValue& value) {
  const auto& storage = value.storage();
  if (const auto* whole = std::get_if<std::int64_t>(&storage)) return static_cast<double>(*whole);
  if (const auto* real = std::get_if<double>(&storage)) return *real;
  if (const auto* text = std::get_if<std::string>(&storage)) return *text;
  return std::monostate{};
}

}  // namespace quorvia::workbook
