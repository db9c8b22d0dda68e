#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "demo_country.h"
#include "demo_random.h"
#include "query/filters.h"

namespace quorvia::tools {

// One row of UNITS_cc without its status: the spatial units a change record falls in, by filter column. A
// missing value (std::nullopt, or a column not in the map) is written as NULL, an empty string as empty
// text; real exports carry both.
struct UnitCombination {
  std::map<std::string, std::optional<std::string>> values;

  const std::optional<std::string>& Value(const std::string& column) const;
  bool operator<(const UnitCombination& other) const { return values < other.values; }
};

// The filter columns of a country's tables as the filter table gives them: the plain filters' columns or
// the levelled filters' level columns, each in the where clause's order.
std::vector<std::string> FilterColumns(query::FilterKind kind);

// A level-3 NUTS region with the codes of the regions above it (AT1 > AT11 > AT111).
struct NutsRegion {
  std::string n1;
  std::string n2;
  std::string n3;
};

// The country's NUTS tree, level-3 regions in code order. Fixed by the country alone.
std::vector<NutsRegion> BuildNutsRegions(const DemoCountry& country);

// A few hundred distinct unit combinations, with a value for every filter column of the filter table, ending
// with some that lack a value in one column (empty text or NULL), so that every list of the program meets
// rows it must skip.
std::vector<UnitCombination> BuildUnitPool(const DemoCountry& country, DemoRandom& random);

}  // namespace quorvia::tools
