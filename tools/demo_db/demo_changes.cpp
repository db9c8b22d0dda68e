#include "demo_changes.h"

#include <array>
#include <string>

namespace quorvia::tools {

namespace {

struct ChangeType {
  std::string code;
  std::uint32_t weight;
};

// Land cover classes are the three-digit classes of the three-level nomenclature (111 to 523).
const std::array<ChangeType, 36> kChangeTypes = {{
    {"211-112", 60}, {"211-121", 35}, {"211-133", 25}, {"242-112", 30}, {"243-112", 18}, {"231-112", 20},
    {"231-211", 28}, {"211-231", 22}, {"222-211", 12}, {"221-211", 10}, {"211-222", 9},  {"211-221", 8},
    {"312-324", 55}, {"311-324", 40}, {"313-324", 30}, {"324-312", 35}, {"324-311", 25}, {"324-313", 15},
    {"321-324", 12}, {"322-324", 6},  {"231-324", 14}, {"211-324", 8},  {"312-334", 9},  {"311-334", 6},
    {"334-324", 7},  {"133-121", 16}, {"133-112", 14}, {"132-141", 3},  {"131-512", 5},  {"131-133", 6},
    {"211-512", 4},  {"411-512", 3},  {"512-411", 2},  {"421-122", 2},  {"523-421", 1},  {"335-332", 2},
}};

const std::array<std::uint32_t, kChangeTypes.size()> kChangeWeights = [] {
  std::array<std::uint32_t, kChangeTypes.size()> weights{};
  for (std::size_t i = 0; i < kChangeTypes.size(); ++i) weights[i] = kChangeTypes[i].weight;
  return weights;
}();

const std::string& DrawChange(DemoRandom& random) {
  return kChangeTypes[random.Weighted(kChangeWeights)].code;
}

const std::string& DrawOtherChange(const std::string& change, DemoRandom& random) {
  const std::string* other = &change;
  while (*other == change) other = &DrawChange(random);
  return *other;
}

// Bands of area in hundredths of a hectare and their shares: an integer-only draw that is the same on every
// platform, unlike a logarithmic formula in floating point.
struct AreaBand {
  std::uint32_t low;
  std::uint32_t high;
  std::uint32_t weight;
};

const std::array<AreaBand, 5> kAreaBands = {{
    {25, 99, 30},
    {100, 499, 30},
    {500, 2499, 22},
    {2500, 9999, 13},
    {10000, 40000, 5},
}};

std::uint32_t DrawAreaHundredths(DemoRandom& random) {
  std::array<std::uint32_t, kAreaBands.size()> weights{};
  for (std::size_t i = 0; i < kAreaBands.size(); ++i) weights[i] = kAreaBands[i].weight;
  const AreaBand& band = kAreaBands[random.Weighted(weights)];
  return random.Between(band.low, band.high);
}

}  // namespace

ChangeValues DrawChangeValues(DemoRandom& random) {
  const std::uint32_t area = DrawAreaHundredths(random);
  const std::string& change1 = DrawChange(random);
  // The two assessments disagree on about one record in four.
  const std::string& change2 = random.Percent(25) ? DrawOtherChange(change1, random) : change1;
  return {area, &change1, &change2};
}

}  // namespace quorvia::tools
