#pragma once

#include <string>

#include "db/field_value.h"
#include "workbook/refresh_workbook.h"

namespace quorvia::query {

// What one update found and did.
struct UpdateOutcome {
  long recordCount = 0;  // rows of the change query's result
  db::FieldValue area;   // summed AREAHA; null when no record matched
  workbook::RefreshOutcome workbook;
  std::string labelText;  // what the status label shows afterwards (UpdateLabelText)
  // When the workbook was not updated: FILTERED is as it was before the update (never rewritten, or put
  // back), or the engine's words on why it could not be put back.
  bool filteredAsBefore = false;
  std::string filteredNotPutBack;
  // A stop cut the update short before anything was written (FILTERED and the workbook are as they were).
  bool cancelled = false;

  // Everything the update was asked for happened: FILTERED, the figures saved and the cover page.
  bool Done() const { return workbook.FiguresSaved() && workbook.coverPageFailure.empty(); }
};

// The lines shown after an update: the count, the total area rounded down, and whether the workbook
// really was refreshed and saved; a fourth line when its cover page could not be written, or, when the
// workbook was not updated, whether FILTERED is as it was. Lines end with CR LF. A cancelled update
// says only that (kUpdateCancelled).
std::string UpdateLabelText(const UpdateOutcome& outcome);

inline constexpr const char* kUpdateSucceeded = " Excel Woorkbook updated successfully !";
inline constexpr const char* kCoverPageNotWritten = " Cover page not written: ";
inline constexpr const char* kUpdateCancelled =
    "Update cancelled: nothing was changed, FILTERED and the workbook are as they were";
inline constexpr const char* kNothingChanged =
    " Nothing was changed: FILTERED and the workbook are as they were";

}  // namespace quorvia::query
