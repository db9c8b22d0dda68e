#include "query/whole_country_figures.h"

#include "db/database.h"
#include "db/db_error.h"
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

std::optional<UpdateFigures> ReadFiguresUnlessStopped(RunStop& stop, db::Database& database,
                                                      db::Database* beside, const std::string& countryCode,
                                                      const Conditions& conditions,
                                                      const std::string& areaSql,
                                                      const std::string& changeSql) {
  RunStop::Stoppable stoppable(stop, {&database, beside});
  if (stop.Requested()) return std::nullopt;
  try {
    UpdateFigures figures =
        ReadFiguresOfUpdate(database, beside, countryCode, conditions, areaSql, changeSql);
    if (stoppable.Finish()) return std::nullopt;
    return figures;
  } catch (const db::DbError&) {
    // An interrupted query fails; so may its partner on the other connection, in its own words.
    if (stoppable.Finish()) return std::nullopt;
    throw;
  }
}

}  // namespace quorvia::query
