#include "query/whole_country_figures.h"

#include "db/database.h"
#include "query/change_queries.h"
#include "query/filters.h"

namespace quorvia::query {

bool SelectsWholeCountry(const Conditions& conditions) {
  for (const Filter& filter : kFilters) {
    if (filter.kind != FilterKind::country && !(conditions.fragments.*filter.slot).empty()) return false;
  }
  return true;
}

UpdateFigures ReadFiguresOfUpdate(db::Database& database, db::Database* beside,
                                  const std::string& countryCode, const Conditions& conditions,
                                  const std::string& areaSql, const std::string& changeSql) {
  if (beside != nullptr && SelectsWholeCountry(conditions)) {
    auto parts = database.ReadGroupedSumInParts(
        *beside, ChangeSumRequest(countryCode, conditions.ChangeField, conditions));
    if (parts) return {TableOf(*parts->groups), std::move(parts->total)};
  }
  return ReadUpdateFigures(database, beside, areaSql, changeSql);
}

}  // namespace quorvia::query
