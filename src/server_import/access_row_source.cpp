#include "server_import/access_row_source.h"

namespace quorvia::server_import {

AccessRowSource::AccessRowSource(const std::string& path) : path_(path), reader_(path) {
  for (const auto& table : reader_.Tables()) {
    SourceTable source{table.name, {}, table.rowCount};
    for (const auto& column : table.columns)
      source.columns.push_back(SourceColumn{column.name, column.declaredType});
    tables_.push_back(std::move(source));
  }
}

void AccessRowSource::ReadRows(std::size_t index, const RowFn& onRow) {
  std::vector<Cell> cells;
  reader_.ReadRows(index, [&](std::span<const access_import::Cell> row) {
    cells.clear();
    for (const auto& value : row) {
      std::visit(
          [&](const auto& v) {
            using Value = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<Value, access_import::Blob>) {
              cells.emplace_back(Bytes{v.bytes});
            } else {
              cells.emplace_back(v);
            }
          },
          value);
    }
    onRow(cells);
  });
}

}  // namespace quorvia::server_import
