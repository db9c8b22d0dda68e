#include "unit_lists.h"

#include <algorithm>
#include <cctype>

#include "database.h"

namespace quorvia::app {

std::string NutsColumn(int level) { return "N" + std::to_string(level); }

std::string EbkColumn(int level) { return "EBKL" + std::to_string(level) + "DS"; }

std::string NutsListQuery(const std::string& column, const std::string& countryCode) {
  return ListQuery(column, countryCode) + " ";
}

std::string ListQuery(const std::string& column, const std::string& countryCode) {
  return "SELECT DISTINCT " + column + " FROM UNITS_" + countryCode + " WHERE " + column + " <> \"\"";
}

std::vector<std::string> ReadFilterList(db::Database& database, const std::string& sql,
                                        const std::string& column) {
  const auto rows = database.OpenRecordset(sql);
  std::vector<std::string> list{"All"};
  if (rows->RecordCount() > 0) {
    rows->MoveFirst();
    for (; !rows->Eof(); rows->MoveNext()) list.push_back(rows->Value(column).ToString());
  }
  rows->Close();
  return list;
}

std::optional<StatusDisplay> StatusDisplayFor(const std::string& status) {
  if (status == "FINAL") return StatusDisplay{"--> FINAL Data", 0x008000};
  if (status == "PARTIAL") return StatusDisplay{"--> PRELIMINARY Data", 0xFF0000};
  return std::nullopt;
}

bool HasChange1Column(db::Database& database, const std::string& tableName) {
  const auto tables = database.ListTableDefs();
  const auto& table = tables.Item(tableName);
  bool found = false;
  for (int i = 0; i < table.FieldCount(); ++i) {
    std::string name = table.Field(i).Name;
    std::ranges::transform(name, name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name == "change1") found = true;
  }
  return found;
}

}  // namespace quorvia::app
