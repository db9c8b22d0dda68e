#pragma once

#include <string>

#include "query/selection.h"

namespace quorvia::query {

// The where-clause fragments of the change queries and the change column. Each fragment begins with a blank
// and is empty for a filter on "All", so fragments join without separators. They keep their values between
// runs; a batch replaces one of them per item.
struct Conditions {
  std::string CountryCondition;
  std::string NutsCondition;
  std::string WatershedCondition;
  std::string LandCoverCondition;
  std::string ElevationCondition;
  std::string ShorelineCondition;
  std::string ChangeField;
};

// The columns of the plain filters.
inline constexpr const char* kWatershedColumn = "WSCODE";
inline constexpr const char* kLandCoverColumn = "DLT";
inline constexpr const char* kShorelineColumn = "CSTDS";

// Column of NUTS level n (1..3): N1, N2, N3.
std::string NutsColumn(int level);
// Column of elevation level n (1..2): EBKL1DS, EBKL2DS.
std::string EbkColumn(int level);

// Writes the fragments for the selection. Values are inserted as displayed (no trimming, no change of
// case), quoted so that a double quote inside a value matches that very character. A level fragment is
// written only from a selected level button; with none selected it keeps its previous value.
void BuildCriteria(const Selection& selection, Conditions& conditions);

// A fragment: prefix, then the value as a quoted text value.
std::string Fragment(const std::string& prefix, const std::string& value);
// The prefix of a filter fragment on a column: " AND <column> = ".
std::string FilterPrefix(const std::string& column);

// The six fragments joined in their fixed order: country, NUTS, watershed, land cover, elevation, shoreline.
std::string JoinedFragments(const Conditions& conditions);

}  // namespace quorvia::query
