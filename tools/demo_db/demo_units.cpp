#include "demo_units.h"

#include <array>
#include <cstdint>
#include <set>
#include <tuple>
#include <utility>

namespace quorvia::tools {

namespace {

struct ElevationClass {
  const char* level1;
  std::array<const char*, 2> level2;
};

const std::array<ElevationClass, 3> kElevationClasses = {{
    {"Lowlands < 300 m", {"Lowlands 0 - 100 m", "Lowlands 100 - 300 m"}},
    {"Hills 300 - 1000 m", {"Hills 300 - 600 m", "Hills 600 - 1000 m"}},
    {"Mountains > 1000 m", {"Mountains 1000 - 2000 m", "Mountains > 2000 m"}},
}};

struct WeightedText {
  const char* text;
  std::uint32_t weight;
};

const std::array<WeightedText, 11> kLandCoverTypes = {{
    {"Arable land", 24},
    {"Permanent crops", 7},
    {"Pastures", 12},
    {"Heterogeneous agricultural areas", 14},
    {"Forests", 20},
    {"Shrub and herbaceous vegetation", 8},
    {"Open spaces with little or no vegetation", 3},
    {"Urban fabric", 6},
    {"Industrial, commercial and transport units", 3},
    {"Inland wetlands", 1},
    {"Inland waters", 2},
}};

const std::array<WeightedText, 3> kShorelineClasses = {{
    {"< 10 Km from shoreline", 20},
    {"10 - 50 Km from shoreline", 30},
    {"> 50 Km from shoreline", 50},
}};

template <std::size_t N>
std::string PickWeighted(const std::array<WeightedText, N>& texts, DemoRandom& random) {
  std::array<std::uint32_t, N> weights{};
  for (std::size_t i = 0; i < N; ++i) weights[i] = texts[i].weight;
  return texts[random.Weighted(weights)].text;
}

std::string PickShoreline(const DemoCountry& country, DemoRandom& random) {
  if (!country.coastal) return kShorelineClasses.back().text;
  return PickWeighted(kShorelineClasses, random);
}

UnitCombination DrawCombination(const DemoCountry& country, const std::vector<NutsRegion>& regions,
                                DemoRandom& random) {
  const NutsRegion& region = regions[random.Below(static_cast<std::uint32_t>(regions.size()))];
  const ElevationClass& elevation = kElevationClasses[random.Weighted(country.elevationWeights)];
  UnitCombination unit;
  unit.wscode =
      country.watershedCodes[random.Below(static_cast<std::uint32_t>(country.watershedCodes.size()))];
  unit.dlt = PickWeighted(kLandCoverTypes, random);
  unit.cstds = PickShoreline(country, random);
  unit.n1 = region.n1;
  unit.n2 = region.n2;
  unit.n3 = region.n3;
  unit.ebkl1ds = elevation.level1;
  unit.ebkl2ds = elevation.level2[random.Below(2)];
  return unit;
}

// Copies of ordinary combinations with one value blanked: empty text or NULL, in the columns the
// program lists.
std::vector<UnitCombination> IncompleteCombinations(const std::vector<UnitCombination>& pool) {
  std::vector<UnitCombination> incomplete;
  const auto blank = [&](std::size_t from, auto member, std::optional<std::string> value) {
    UnitCombination unit = pool[from % pool.size()];
    unit.*member = std::move(value);
    incomplete.push_back(std::move(unit));
  };
  blank(0, &UnitCombination::wscode, std::string());
  blank(1, &UnitCombination::wscode, std::nullopt);
  blank(2, &UnitCombination::dlt, std::string());
  blank(3, &UnitCombination::cstds, std::nullopt);
  blank(4, &UnitCombination::n3, std::nullopt);
  blank(5, &UnitCombination::ebkl2ds, std::string());
  blank(6, &UnitCombination::n3, std::string());
  blank(7, &UnitCombination::ebkl1ds, std::nullopt);
  return incomplete;
}

}  // namespace

bool UnitCombination::operator<(const UnitCombination& other) const {
  return std::tie(wscode, dlt, cstds, n1, n2, n3, ebkl1ds, ebkl2ds) <
         std::tie(other.wscode, other.dlt, other.cstds, other.n1, other.n2, other.n3, other.ebkl1ds,
                  other.ebkl2ds);
}

std::vector<NutsRegion> BuildNutsRegions(const DemoCountry& country) {
  // Two to four subregions at each level, varied by position so the tree does not look machine-made.
  std::vector<NutsRegion> regions;
  const auto& suffixes = country.nutsLevel1Suffixes;
  for (std::size_t i = 0; i < suffixes.size(); ++i) {
    const std::string n1 = country.code + suffixes[i];
    const std::size_t level2Count = 2 + i % 3;
    for (std::size_t j = 0; j < level2Count; ++j) {
      const std::string n2 = n1 + static_cast<char>('1' + j);
      const std::size_t level3Count = 2 + (i + 2 * j) % 3;
      for (std::size_t k = 0; k < level3Count; ++k)
        regions.push_back({n1, n2, n2 + static_cast<char>('1' + k)});
    }
  }
  return regions;
}

std::vector<UnitCombination> BuildUnitPool(const DemoCountry& country, DemoRandom& random) {
  const std::vector<NutsRegion> regions = BuildNutsRegions(country);
  const std::uint32_t wanted = random.Between(200, 400);
  std::vector<UnitCombination> pool;
  std::set<UnitCombination> seen;
  // A country with few possible combinations may never reach the target; give up after plenty of draws.
  for (std::uint32_t draws = 0; pool.size() < wanted && draws < wanted * 20; ++draws) {
    UnitCombination unit = DrawCombination(country, regions, random);
    if (seen.insert(unit).second) pool.push_back(std::move(unit));
  }
  const std::vector<UnitCombination> incomplete = IncompleteCombinations(pool);
  pool.insert(pool.end(), incomplete.begin(), incomplete.end());
  return pool;
}

}  // namespace quorvia::tools
