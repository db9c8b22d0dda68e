#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvia::tools {

// What the generator needs to know of one country to make believable units for it.
struct DemoCountry {
  std::string code;                // upper case: the suffix of UNITS_cc and DATA_cc and the value of N0CD
  std::string status;              // "FINAL" or "PARTIAL"
  bool hasChange1;                 // false: the change table only has change2
  bool coastal;                    // landlocked countries only know "> 50 Km from shoreline"
  std::string nutsLevel1Suffixes;  // one character per level-1 region: "123" gives AT1, AT2, AT3
  std::vector<std::string> watershedCodes;
  std::array<std::uint32_t, 3> elevationWeights;  // share of lowlands, hills, mountains
};

// The demo countries in the order their tables are created (the order the program lists them).
const std::vector<DemoCountry>& DemoCountries();

// The codes of the demo countries, in order, joined by separator: "AT, BE, ...".
std::string DemoCountryCodes(std::string_view separator);

// nullptr when code (upper case) is not a demo country.
const DemoCountry* FindDemoCountry(std::string_view code);

}  // namespace quorvia::tools
