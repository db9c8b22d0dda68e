#pragma once

#include <cstdint>
#include <string>

#include "demo_random.h"

namespace quorvia::tools {

// Values of one change record that do not depend on where it lies.
struct ChangeValues {
  std::uint32_t areaHundredths;  // area in hundredths of a hectare, 25 (0.25 ha) to 40000 (400 ha)
  const std::string* change1;    // "from-to" land cover classes, e.g. "211-112"
  const std::string* change2;    // the second assessment: the same change for most records
};

// Draws the values of one record. Small patches are far more common than large ones, and the usual changes
// (farmland to built-up land, forest felling and regrowth) dominate.
ChangeValues DrawChangeValues(DemoRandom& random);

}  // namespace quorvia::tools
