#pragma once

#include <optional>
#include <string>
#include <vector>

#include "demo_country.h"
#include "demo_random.h"

namespace quorvia::tools {

// One row of UNITS_cc without its status: the spatial units a change record falls in. A missing value
// (std::nullopt) is written as NULL, an empty string as empty text; real exports carry both.
struct UnitCombination {
  std::optional<std::string> wscode;
  std::optional<std::string> dlt;
  std::optional<std::string> cstds;
  std::optional<std::string> n1;
  std::optional<std::string> n2;
  std::optional<std::string> n3;
  std::optional<std::string> ebkl1ds;
  std::optional<std::string> ebkl2ds;

  bool operator<(const UnitCombination& other) const;
};

// A level-3 NUTS region with the codes of the regions above it (AT1 > AT11 > AT111).
struct NutsRegion {
  std::string n1;
  std::string n2;
  std::string n3;
};

// The country's NUTS tree, level-3 regions in code order. Fixed by the country alone.
std::vector<NutsRegion> BuildNutsRegions(const DemoCountry& country);

// A few hundred distinct unit combinations, ending with some that lack a value in one column (empty text
// or NULL), so that every list of the program meets rows it must skip.
std::vector<UnitCombination> BuildUnitPool(const DemoCountry& country, DemoRandom& random);

}  // namespace quorvia::tools
