#include "demo_units.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>
#include <stdexcept>
#include <utility>

#include "vocabulary/data_tables.h"

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

std::optional<std::string> PickShoreline(const DemoCountry& country, DemoRandom& random) {
  if (!country.coastal) return kShorelineClasses.back().text;
  return PickWeighted(kShorelineClasses, random);
}

std::optional<std::string> DrawWatershed(const DemoCountry& country, DemoRandom& random) {
  return country.watershedCodes[random.Below(static_cast<std::uint32_t>(country.watershedCodes.size()))];
}

std::optional<std::string> DrawLandCover(const DemoCountry& /*country*/, DemoRandom& random) {
  return PickWeighted(kLandCoverTypes, random);
}

// How the demo draws the value of each plain filter's column, in the order of the draws. Every plain
// filter of the filter table has its line here. A value drawn from `random` changes every draw after it
// (and so the whole demo database); one that follows from the country alone changes nothing else.
struct PlainValues {
  const char* column;
  std::optional<std::string> (*draw)(const DemoCountry& country, DemoRandom& random);
};
const std::array<PlainValues, 3> kPlainValues{{
    {"WSCODE", &DrawWatershed},
    {"DLT", &DrawLandCover},
    {"CSTDS", &PickShoreline},
}};

void RequireValuesForEveryPlainFilter() {
  for (const std::string& column : FilterColumns(query::FilterKind::plain)) {
    if (std::ranges::none_of(kPlainValues,
                             [&](const PlainValues& values) { return values.column == column; })) {
      throw std::logic_error("the demo database has no values for the filter column " + column);
    }
  }
}

UnitCombination DrawCombination(const DemoCountry& country, const std::vector<NutsRegion>& regions,
                                DemoRandom& random) {
  const NutsRegion& region = regions[random.Below(static_cast<std::uint32_t>(regions.size()))];
  const ElevationClass& elevation = kElevationClasses[random.Weighted(country.elevationWeights)];
  UnitCombination unit;
  for (const auto& [column, draw] : kPlainValues) unit.values[column] = draw(country, random);
  const auto& nuts = vocabulary::kNutsColumns;
  unit.values[nuts[0]] = region.n1;
  unit.values[nuts[1]] = region.n2;
  unit.values[nuts[2]] = region.n3;
  const auto& elevationColumns = query::FilterOf(query::FilterId::elevation).levelColumns;
  unit.values[elevationColumns[0]] = elevation.level1;
  unit.values[elevationColumns[1]] = elevation.level2[random.Below(2)];
  return unit;
}

// Copies of ordinary combinations with one value blanked: empty text or NULL, in the columns the
// program lists.
std::vector<UnitCombination> IncompleteCombinations(const std::vector<UnitCombination>& pool) {
  std::vector<UnitCombination> incomplete;
  const auto blank = [&](std::size_t from, const char* column, std::optional<std::string> value) {
    UnitCombination unit = pool[from % pool.size()];
    unit.values[column] = std::move(value);
    incomplete.push_back(std::move(unit));
  };
  blank(0, "WSCODE", std::string());
  blank(1, "WSCODE", std::nullopt);
  blank(2, "DLT", std::string());
  blank(3, "CSTDS", std::nullopt);
  blank(4, "N3", std::nullopt);
  blank(5, "EBKL2DS", std::string());
  blank(6, "N3", std::string());
  blank(7, "EBKL1DS", std::nullopt);
  return incomplete;
}

}  // namespace

const std::optional<std::string>& UnitCombination::Value(const std::string& column) const {
  static const std::optional<std::string> kMissing;
  const auto found = values.find(column);
  return found == values.end() ? kMissing : found->second;
}

std::vector<std::string> FilterColumns(query::FilterKind kind) {
  std::vector<std::string> columns;
  for (const query::Filter* filter : query::InConditionOrder()) {
    if (filter->kind != kind) continue;
    for (int level = 0; level < std::max(query::LevelCount(*filter), 1); ++level) {
      columns.push_back(query::LevelColumn(*filter, level));
    }
  }
  return columns;
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
  RequireValuesForEveryPlainFilter();
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
