#pragma once

#include <QString>
#include <QStringList>

#include "batch_dialog/main_window_lists.h"

namespace quorvia::batch_dialog {

// What the dialog says when "Next -->" finds no unit, or no item, selected.
inline constexpr const char* kNoUnitMessage = "You must select one item from the list!";
inline constexpr const char* kNoItemMessage = "You must select at least one item from the list!";

// The units in the order of the unit list, named as the batch run knows them.
QStringList AnalyticalUnits();

// The item texts offered for a unit (compared exactly, case included): every country entry in lower case,
// or the unit's filter list without its leading "All". Empty for an unknown unit or a list with nothing
// beyond "All".
QStringList ItemsForUnit(const QString& unit, const MainWindowLists& lists);

}  // namespace quorvia::batch_dialog
