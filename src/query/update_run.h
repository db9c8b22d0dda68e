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
};

// The three lines shown after an update: the count, the total area rounded down, and whether the
// workbook really was updated. Lines end with CR LF.
std::string UpdateLabelText(const UpdateOutcome& outcome);

inline constexpr const char* kUpdateSucceeded = " Excel Woorkbook updated successfully !";

}  // namespace quorvia::query
