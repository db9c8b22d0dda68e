#pragma once

#include <array>

namespace quorvia::query {

// The analytical units of a batch, exactly as the batch dialog lists them and as the batch run compares them.
inline constexpr const char* kUnitCountry = "Country";
inline constexpr const char* kUnitNuts = "Nuts";
inline constexpr const char* kUnitElevation = "Elevation breakdown";
inline constexpr const char* kUnitLandCover = "Dominant landcover type";
inline constexpr const char* kUnitShoreline = "Distance to shoreline";
inline constexpr const char* kUnitWatershed = "Watershed code";

// The units in the order of the dialog's unit list.
inline constexpr std::array<const char*, 6> kAnalyticalUnits = {
    kUnitCountry, kUnitNuts, kUnitElevation, kUnitLandCover, kUnitShoreline, kUnitWatershed};

}  // namespace quorvia::query
