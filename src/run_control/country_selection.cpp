#include "run_control/country_selection.h"

#include "db/db_error.h"
#include "query/query_session.h"
#include "run_control/error_text.h"

namespace quorvia::run_control {
namespace {

std::vector<std::string> LevelEntries(query::QuerySession& session, const query::Filter& filter,
                                      const std::string& countryCode, std::optional<int> levelIndex) {
  auto list = session.FilterList(filter, countryCode, levelIndex);
  // Without a level the box stays empty, and that is no filter.
  return list.column.empty() ? std::vector<std::string>{} : std::move(list.entries);
}

void ReadInOrder(query::QuerySession& session, const std::string& countryCode,
                 const query::FilterLevels& levels, CountrySelectionRead& read) {
  for (const auto& filter : query::kFilters) {
    if (filter.kind != query::FilterKind::levelled) continue;
    const auto index = query::IndexOf(filter.id);
    read.emptied[index] = true;
    read.lists[index] = LevelEntries(session, filter, countryCode, levels.*filter.levelIndex);
  }
  read.status = session.DataStatus(countryCode);
  read.hasChange1 = session.HasChange1(countryCode);
  for (const auto& filter : query::kFilters) {
    if (filter.kind == query::FilterKind::plain) {
      read.lists[query::IndexOf(filter.id)] = session.FilterList(filter, countryCode).entries;
    }
  }
}

}  // namespace

CountrySelectionRead ReadCountrySelection(query::QuerySession& session, const std::string& countryCode,
                                          const query::FilterLevels& levels,
                                          const std::string& databaseFile) {
  CountrySelectionRead read;
  try {
    ReadInOrder(session, countryCode, levels, read);
  } catch (const db::DbError& error) {
    read.message = ErrorText(error, databaseFile);
  }
  return read;
}

LevelListRead ReadLevelList(query::QuerySession& session, const query::Filter& filter,
                            const std::string& countryCode, std::optional<int> levelIndex,
                            const std::string& databaseFile) {
  try {
    return {LevelEntries(session, filter, countryCode, levelIndex), std::nullopt};
  } catch (const db::DbError& error) {
    return {std::nullopt, ErrorText(error, databaseFile)};
  }
}

}  // namespace quorvia::run_control
