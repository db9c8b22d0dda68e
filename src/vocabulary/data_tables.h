#pragma once

#include <array>

namespace quorvia::vocabulary {

// The stored query that every update rewrites and the report's data sheet reads.
inline constexpr const char* kFilteredQuery = "FILTERED";

// A country's tables: DATA_<code> holds its records, UNITS_<code> the entries of its filter lists.
inline constexpr const char* kDataTablePrefix = "DATA_";
inline constexpr const char* kUnitsTablePrefix = "UNITS_";

// The columns of a country's data besides the filter columns.
inline constexpr const char* kCountryColumn = "N0CD";  // the country code, the first condition of a query
inline constexpr const char* kAreaColumn = "AREAHA";   // the area in hectares that the queries sum

// The change columns of a country's data: VARDA90 reviewed against VARDA00, and VARDA90 from the changes
// database against VARDA00. Some countries' data holds only the second.
inline constexpr const char* kReviewedChangeColumn = "change1";
inline constexpr const char* kChangesDatabaseColumn = "change2";

// The NUTS region columns of a country's data and units, level 1 first: the region filter's levels, and the
// columns that the data's indexes lead with.
inline constexpr std::array<const char*, 3> kNutsColumns{"N1", "N2", "N3"};

}  // namespace quorvia::vocabulary
