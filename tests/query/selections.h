#pragma once

#include <string>

#include "query/selection.h"

namespace quorvia::query {

// A selection of the given country with every filter on "All" and level L1 in both level groups.
inline Selection AllOn(const std::string& country) {
  Selection selection;
  selection.Combo1 = country;
  selection.Combo2 = selection.Combo3 = selection.Combo4 = selection.Combo5 = selection.Combo6 = "All";
  selection.nutsLevelIndex = 0;
  selection.elevationLevelIndex = 0;
  return selection;
}

}  // namespace quorvia::query
