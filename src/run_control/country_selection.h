#pragma once

#include <QString>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "query/country_status.h"
#include "query/filters.h"

namespace quorvia::query {
class QuerySession;
}

namespace quorvia::run_control {

// What choosing a country reads, in the order the window has always read it: each levelled filter's list
// (of its selected level; empty without one), the data status, whether the country has change1, then each
// plain filter's list. An engine error stops the reading there; what was read before it stands.
struct CountrySelectionRead {
  // A filter's list, when it was read; a filter without one holds no selection.
  std::array<std::optional<std::vector<std::string>>, query::kFilterCount> lists;
  // The levelled filters whose box is emptied before its list is read (also when the read fails).
  std::array<bool, query::kFilterCount> emptied{};
  std::optional<query::StatusDisplay> status;  // nothing: the data-status label keeps its caption
  std::optional<bool> hasChange1;              // nothing: not read
  std::optional<QString> message;              // the engine error that stopped the reading
};

// Reads a country's lists for the selection; `levels` are the selected level buttons, `databaseFile`
// is named in the message about an engine error.
CountrySelectionRead ReadCountrySelection(query::QuerySession& session, const std::string& countryCode,
                                          const query::FilterLevels& levels, const std::string& databaseFile);

// A levelled filter's list for the level chosen (none: an empty list), or the message about the engine
// error that kept it from being read.
struct LevelListRead {
  std::optional<std::vector<std::string>> entries;
  std::optional<QString> message;
};
LevelListRead ReadLevelList(query::QuerySession& session, const query::Filter& filter,
                            const std::string& countryCode, std::optional<int> levelIndex,
                            const std::string& databaseFile);

}  // namespace quorvia::run_control
