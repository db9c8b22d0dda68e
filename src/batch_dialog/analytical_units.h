#pragma once

#include <QString>
#include <QStringList>

#include "main_window_lists.h"

namespace quorvia::batch_dialog {

// The six analytical units, exactly as the unit list shows them and as the batch run compares them.
inline const QString kUnitCountry = QStringLiteral("Country");
inline const QString kUnitNuts = QStringLiteral("Nuts");
inline const QString kUnitElevation = QStringLiteral("Elevation breakdown");
inline const QString kUnitLandCover = QStringLiteral("Dominant landcover type");
inline const QString kUnitShoreline = QStringLiteral("Distance to shoreline");
inline const QString kUnitWatershed = QStringLiteral("Watershed code");

// The units in the order of the unit list.
QStringList AnalyticalUnits();

// The item texts offered for a unit (compared exactly, case included): every country entry in lower case,
// or the unit's filter list without its leading "All". Empty for an unknown unit or a list with nothing
// beyond "All".
QStringList ItemsForUnit(const QString& unit, const MainWindowLists& lists);

}  // namespace quorvia::batch_dialog
