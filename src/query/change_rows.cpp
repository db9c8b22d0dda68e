#include "query/change_rows.h"

#include <future>
#include <utility>

#include "db/database.h"

namespace quorvia::query {

workbook::QueryTable ReadRows(db::Database& database, const std::string& sql) {
  return TableOf(*database.OpenRecordset(sql));
}

workbook::QueryTable TableOf(db::Recordset& result) {
  workbook::QueryTable table;
  const int columns = result.FieldCount();
  for (int c = 0; c < columns; ++c) table.columns.push_back(result.FieldName(c));
  table.rows.reserve(static_cast<std::size_t>(result.RecordCount()));
  for (; !result.Eof(); result.MoveNext()) {
    auto& row = table.rows.emplace_back();
    row.reserve(static_cast<std::size_t>(columns));
    for (int c = 0; c < columns; ++c) row.push_back(workbook::SheetValue(result.ValueAt(c)));
  }
  return table;
}

namespace {

db::FieldValue ReadArea(db::Database& database, const std::string& areaSql) {
  return database.OpenRecordset(areaSql)->Value("area");
}

}  // namespace

UpdateFigures ReadUpdateFigures(db::Database& database, db::Database* beside, const std::string& areaSql,
                                const std::string& changeSql) {
  UpdateFigures figures;
  if (beside == nullptr) {
    figures.area = ReadArea(database, areaSql);
    figures.changes = ReadRows(database, changeSql);
    return figures;
  }
  auto area = std::async(std::launch::async, [beside, &areaSql] { return ReadArea(*beside, areaSql); });
  try {
    figures.changes = ReadRows(database, changeSql);
  } catch (...) {
    area.wait();
    throw;
  }
  figures.area = area.get();
  return figures;
}

}  // namespace quorvia::query
