#pragma once

#include <string>

#include "query/selection.h"

namespace quorvia::query {

// The batch dialog's unit name of a filter.
inline std::string Unit(FilterId id) { return FilterOf(id).unitName; }

// A selection of the given country with every other filter on "All" and every levelled filter at level 1.
inline Selection AllOn(const std::string& country) {
  Selection selection;
  for (const Filter& filter : kFilters) {
    selection.*filter.slot = filter.kind == FilterKind::country ? country : "All";
    if (filter.levelIndex) selection.*filter.levelIndex = 0;
  }
  return selection;
}

}  // namespace quorvia::query
