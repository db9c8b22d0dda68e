#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "vocabulary/data_tables.h"

namespace quorvia::query {

// One text for each filter of the window: what a box shows, what the cover page shows, or a where-clause
// fragment.
struct FilterTexts {
  std::string country;
  std::string nutsRegion;
  std::string elevation;
  std::string landCover;
  std::string watershed;
  std::string shoreline;
};

// The selected level button of each levelled filter (0 = level 1), if any.
struct FilterLevels {
  std::optional<int> nutsLevelIndex;
  std::optional<int> elevationLevelIndex;
};

// How a filter narrows the data.
enum class FilterKind {
  country,   // the country entry: its first two characters are the code of the country's tables
  levelled,  // one column per level; the window's level buttons choose which
  plain,     // one column
};

enum class FilterId { country, nutsRegion, elevation, landCover, watershed, shoreline };

inline constexpr std::size_t kMostLevels = 3;

// Everything the program knows about one filter. The criteria, the batch, the batch dialog's units, the
// lists, the window, the cover page and the report template go through this table, so a filter is added
// here, in the window's layout (app/form1_layout.cpp) and in the demo database's values.
struct Filter {
  FilterId id;
  FilterKind kind;
  const char* unitName;  // the batch dialog's analytical unit, compared exactly
  const char* column;    // the column of the country and of a plain filter; "" for a levelled one
  std::array<const char*, kMostLevels> levelColumns{};  // a levelled filter's columns, level 1 first
  std::string FilterTexts::*slot;                       // the filter's text in selections, texts, fragments
  std::optional<int> FilterLevels::*levelIndex = nullptr;  // the level buttons of a levelled filter
  const char* coverCell;   // the cover-page cell that shows the filter's text: the next of the cover's rows
  const char* coverLabel;  // the cover page's label beside that cell, also the batch summary's name
  const char* conditionWord;  // joins the fragment to those before it
  int conditionPosition;      // the fragment's place in the where clause
  int unitPosition;           // the unit's place in the dialog's unit list
  // The copy name of a batch item, when it is not the item's text.
  std::string (*itemName)(const std::string& item) = nullptr;
  // The window's box of the filter (1 = the first) and the caption beside it, which names the box in
  // messages.
  int boxNumber = 0;
  const char* boxCaption = "";
  // The command-line runner's option for the filter's text ("--nuts"); a levelled filter's level option
  // adds "-level" ("--nuts-level").
  const char* optionName = "";
};

// The item name of a shoreline class: "Less than 10km" for "< 10 Km from shoreline", else "More than 10km".
std::string ShorelineItemName(const std::string& item);

// In the cover page's reading order; a filter's id is its index. A fragment reads " <condition word><column>
// = <value>": " N0CD = ..." for the country, " AND DLT = ..." for the others.
// clang-format off
inline constexpr std::array<Filter, 6> kFilters{{
    {.id = FilterId::country, .kind = FilterKind::country, .unitName = "Country", .column = vocabulary::kCountryColumn,
     .slot = &FilterTexts::country, .coverCell = "B13", .coverLabel = "Country", .conditionWord = "",
     .conditionPosition = 0, .unitPosition = 0,
     .boxNumber = 1, .boxCaption = "Country", .optionName = "country"},
    {.id = FilterId::nutsRegion, .kind = FilterKind::levelled, .unitName = "Nuts", .column = "",
     .levelColumns = vocabulary::kNutsColumns, .slot = &FilterTexts::nutsRegion,
     .levelIndex = &FilterLevels::nutsLevelIndex, .coverCell = "B15", .coverLabel = "NUTS region",
     .conditionWord = "AND ", .conditionPosition = 1, .unitPosition = 1,
     .boxNumber = 2, .boxCaption = "NUTS", .optionName = "nuts"},
    {.id = FilterId::elevation, .kind = FilterKind::levelled, .unitName = "Elevation breakdown", .column = "",
     .levelColumns = {"EBKL1DS", "EBKL2DS"}, .slot = &FilterTexts::elevation,
     .levelIndex = &FilterLevels::elevationLevelIndex, .coverCell = "B16", .coverLabel = "Elevation breakdown",
     .conditionWord = "AND ", .conditionPosition = 4, .unitPosition = 2,
     .boxNumber = 3, .boxCaption = "Elevation Breakdown", .optionName = "elevation"},
    {.id = FilterId::landCover, .kind = FilterKind::plain, .unitName = "Dominant landcover type", .column = "DLT",
     .slot = &FilterTexts::landCover, .coverCell = "B17", .coverLabel = "Dominant land cover type",
     .conditionWord = "AND ", .conditionPosition = 3, .unitPosition = 3,
     .boxNumber = 6, .boxCaption = "Dominant Land Cover Type", .optionName = "landcover"},
    {.id = FilterId::watershed, .kind = FilterKind::plain, .unitName = "Watershed code", .column = "WSCODE",
     .slot = &FilterTexts::watershed, .coverCell = "B18", .coverLabel = "Watershed code", .conditionWord = "AND ",
     .conditionPosition = 2, .unitPosition = 5,
     .boxNumber = 4, .boxCaption = "Water Shed Code", .optionName = "watershed"},
    {.id = FilterId::shoreline, .kind = FilterKind::plain, .unitName = "Distance to shoreline", .column = "CSTDS",
     .slot = &FilterTexts::shoreline, .coverCell = "B19", .coverLabel = "Distance to shoreline",
     .conditionWord = "AND ", .conditionPosition = 5, .unitPosition = 4, .itemName = &ShorelineItemName,
     .boxNumber = 5, .boxCaption = "Distance to shoreline", .optionName = "shoreline"},
}};
// clang-format on

inline constexpr std::size_t kFilterCount = kFilters.size();

constexpr const Filter& FilterOf(FilterId id) { return kFilters[static_cast<std::size_t>(id)]; }
constexpr std::size_t IndexOf(FilterId id) { return static_cast<std::size_t>(id); }

// The filter a batch dialog's unit names; nothing for another text.
const Filter* FilterOfUnit(const std::string& unitName);

// The table in the order of the where clause, of the dialog's unit list, and of the window's boxes.
const std::array<const Filter*, kFilterCount>& InConditionOrder();
const std::array<const Filter*, kFilterCount>& InUnitOrder();
const std::array<const Filter*, kFilterCount>& InBoxOrder();

// The column of a filter at a level (0 = level 1); the plain column for a filter without levels.
std::string LevelColumn(const Filter& filter, int levelIndex);
// How many levels a levelled filter has; 0 for the others.
int LevelCount(const Filter& filter);

}  // namespace quorvia::query
