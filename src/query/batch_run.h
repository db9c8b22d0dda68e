#pragma once

#include <functional>
#include <string>
#include <vector>

#include "criteria.h"
#include "selection.h"
#include "workbook_call.h"

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

// The analytical units of a batch, as the batch dialog lists them.
inline constexpr const char* kUnitCountry = "Country";
inline constexpr const char* kUnitNuts = "Nuts";
inline constexpr const char* kUnitElevation = "Elevation breakdown";
inline constexpr const char* kUnitLandCover = "Dominant landcover type";
inline constexpr const char* kUnitShoreline = "Distance to shoreline";
inline constexpr const char* kUnitWatershed = "Watershed code";

// What the batch dialog and the input box handed over.
struct BatchRequest {
  std::string count;               // the dialog's item count, as text
  std::string unit;                // one of the unit names above
  std::vector<std::string> items;  // the unit's items in list order
  std::vector<bool> selected;      // their selection flags
  std::string prefix;              // file-name prefix of the copies
};

// The main window's side of a batch.
struct BatchWindow {
  Selection selection;                                // the window's selection when the dialog closed
  std::string NutsField;                              // column of the chosen NUTS level
  std::string EbkField;                               // column of the chosen elevation level
  std::function<void(const std::string&)> setStatus;  // Label1, repainted at once
  std::function<void(int)> setMousePointer;           // 11 hourglass, 0 default
};

struct BatchOutcome {
  int processed = 0;
  int failed = 0;                     // items whose refresh or copy did not really happen
  std::vector<std::string> failures;  // "<item>: <reason>"
  std::vector<std::string> copies;    // copy names written, in order
};

// Runs the update for every selected item with the other filters of the window in force and saves one
// copy of the report per item. Engine errors stop the run and are raised.
BatchOutcome RunBatch(db::Database& WorkDb, const BatchRequest& request, const BatchWindow& window,
                      Conditions& conditions, SelectionTexts& texts,
                      const RefreshWorkbookFn& refreshWorkbook);

// "Tasks finished", and on a second line how many items failed, when any did.
std::string BatchFinishedText(const BatchOutcome& outcome);

// The item name of a shoreline class: "Less than 10km" for "< 10 Km from shoreline", else "More than 10km".
std::string ShorelineItemName(const std::string& item);

}  // namespace quorvia::query
