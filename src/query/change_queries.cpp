#include "query/change_queries.h"

#include "vocabulary/data_tables.h"

namespace quorvia::query {
namespace {

std::string DataTable(const std::string& countryCode) { return vocabulary::kDataTablePrefix + countryCode; }

}  // namespace

std::string ChangeColumnFor(const std::string& countryCode, const std::string& chosenColumn) {
  return (countryCode == "be" || countryCode == "de") ? vocabulary::kChangesDatabaseColumn : chosenColumn;
}

std::string AreaQuery(const std::string& countryCode, const Conditions& conditions) {
  return "SELECT sum(" + std::string(vocabulary::kAreaColumn) + ") as area from " + DataTable(countryCode) +
         " where " + JoinedFragments(conditions);
}

std::string ChangeQuery(const std::string& countryCode, const std::string& changeField,
                        const Conditions& conditions) {
  return "SELECT " + changeField + " as CHANGE, sum(" + vocabulary::kAreaColumn + ") as AREA from " +
         DataTable(countryCode) + " where " + JoinedFragments(conditions) + " group by " + changeField;
}

}  // namespace quorvia::query
