#include "query/change_queries.h"

#include "vocabulary/data_tables.h"

namespace quorvia::query {
namespace {

std::string DataTable(const std::string& countryCode) { return vocabulary::kDataTablePrefix + countryCode; }

// The names of the change query's columns, as the report's data sheet knows them.
constexpr const char* kChangeAlias = "CHANGE";
constexpr const char* kAreaAlias = "AREA";

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
  return "SELECT " + changeField + " as " + kChangeAlias + ", sum(" + vocabulary::kAreaColumn + ") as " +
         kAreaAlias + " from " + DataTable(countryCode) + " where " + JoinedFragments(conditions) +
         " group by " + changeField;
}

db::GroupedSumRequest ChangeSumRequest(const std::string& countryCode, const std::string& changeField,
                                       const Conditions& conditions) {
  return {.table = DataTable(countryCode),
          .groupColumn = changeField,
          .groupAlias = kChangeAlias,
          .sumColumn = vocabulary::kAreaColumn,
          .sumAlias = kAreaAlias,
          .condition = JoinedFragments(conditions),
          .totalSql = AreaQuery(countryCode, conditions),
          .groupsSql = ChangeQuery(countryCode, changeField, conditions)};
}

}  // namespace quorvia::query
