#include "query/unit_lists.h"

#include "db/database.h"
#include "query/selection.h"
#include "vocabulary/data_tables.h"

namespace quorvia::query {

std::string ListQuery(const std::string& column, const std::string& countryCode) {
  return "SELECT DISTINCT " + column + " FROM " + vocabulary::kUnitsTablePrefix + countryCode + " WHERE " +
         column + " <> \"\"";
}

std::vector<std::string> ReadFilterList(db::Database& database, const std::string& sql,
                                        const std::string& column) {
  const auto rows = database.OpenRecordset(sql);
  std::vector<std::string> list{kAll};
  if (rows->RecordCount() > 0) {
    rows->MoveFirst();
    for (; !rows->Eof(); rows->MoveNext()) list.push_back(rows->Value(column).ToString());
  }
  rows->Close();
  return list;
}

}  // namespace quorvia::query
