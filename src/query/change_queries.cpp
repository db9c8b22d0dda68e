#include "query/change_queries.h"

#include "workbook/refresh_workbook.h"

namespace quorvia::query {

std::string ChangeColumnFor(const std::string& countryCode, const std::string& chosenColumn) {
  return (countryCode == "be" || countryCode == "de") ? workbook::kChangesDatabaseColumn : chosenColumn;
}

std::string AreaQuery(const std::string& countryCode, const Conditions& conditions) {
  return "SELECT sum(AREAHA) as area from DATA_" + countryCode + " where " + JoinedFragments(conditions);
}

std::string ChangeQuery(const std::string& countryCode, const std::string& changeField,
                        const Conditions& conditions) {
  return "SELECT " + changeField + " as CHANGE, sum(AREAHA) as AREA from DATA_" + countryCode + " where " +
         JoinedFragments(conditions) + " group by " + changeField;
}

}  // namespace quorvia::query
