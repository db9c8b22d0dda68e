#include "query/filters.h"

#include <algorithm>
#include <stdexcept>

#include "workbook/cover_layout.h"

namespace quorvia::query {
namespace {

constexpr bool IdsAreIndexes() {
  for (std::size_t i = 0; i < kFilters.size(); ++i) {
    if (IndexOf(kFilters[i].id) != i) return false;
  }
  return true;
}
static_assert(IdsAreIndexes(), "a filter's id is its place in the table");

// The cover page shows the filters in the table's order on its selection rows, clear of the fixed cells.
constexpr bool CoverCellsFollowTheTable() {
  for (std::size_t i = 0; i < kFilters.size(); ++i) {
    if (workbook::CoverRowOf(kFilters[i].coverCell) != workbook::SelectionRow(i)) return false;
  }
  return true;
}
static_assert(CoverCellsFollowTheTable(), "a filter's cover cell is the cover page's row for its place");

std::array<const Filter*, kFilterCount> SortedBy(int Filter::*position) {
  std::array<const Filter*, kFilterCount> order{};
  for (std::size_t i = 0; i < kFilterCount; ++i) order[i] = &kFilters[i];
  std::ranges::sort(order, {}, [position](const Filter* filter) { return filter->*position; });
  return order;
}

}  // namespace

std::string ShorelineItemName(const std::string& item) {
  return item == "< 10 Km from shoreline" ? "Less than 10km" : "More than 10km";
}

const Filter* FilterOfUnit(const std::string& unitName) {
  const auto found = std::ranges::find(kFilters, unitName,
                                       [](const Filter& filter) { return std::string(filter.unitName); });
  return found == kFilters.end() ? nullptr : &*found;
}

const std::array<const Filter*, kFilterCount>& InConditionOrder() {
  static const auto order = SortedBy(&Filter::conditionPosition);
  return order;
}

const std::array<const Filter*, kFilterCount>& InUnitOrder() {
  static const auto order = SortedBy(&Filter::unitPosition);
  return order;
}

const std::array<const Filter*, kFilterCount>& InBoxOrder() {
  static const auto order = SortedBy(&Filter::boxNumber);
  return order;
}

std::string LevelColumn(const Filter& filter, int levelIndex) {
  if (filter.kind != FilterKind::levelled) return filter.column;
  if (levelIndex < 0 || levelIndex >= LevelCount(filter)) {
    throw std::out_of_range(std::string(filter.unitName) + " has no level " + std::to_string(levelIndex + 1));
  }
  return filter.levelColumns[static_cast<std::size_t>(levelIndex)];
}

int LevelCount(const Filter& filter) {
  if (filter.kind != FilterKind::levelled) return 0;
  return static_cast<int>(
      std::ranges::count_if(filter.levelColumns, [](const char* c) { return c != nullptr; }));
}

}  // namespace quorvia::query
