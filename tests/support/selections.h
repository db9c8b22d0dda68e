#pragma once

#include <string>

#include "query/selection.h"

namespace quorvia::query {

// The batch dialog's unit name of a filter.
inline std::string Unit(FilterId id) { return FilterOf(id).unitName; }

// A selection of the given country with every filter on "All" and level L1 in both level groups.
inline Selection AllOn(const std::string& country) {
  Selection selection;
  selection.country = country;
  selection.nutsRegion = selection.elevation = selection.watershed = selection.shoreline =
      selection.landCover = "All";
  selection.nutsLevelIndex = 0;
  selection.elevationLevelIndex = 0;
  return selection;
}

}  // namespace quorvia::query
