#pragma once

#include <string>

#include "criteria.h"
#include "field_value.h"
#include "refresh_workbook.h"
#include "selection.h"
#include "workbook_call.h"

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

// What one update found and did.
struct UpdateOutcome {
  long recordCount = 0;  // rows of the change query's result
  db::FieldValue area;   // summed AREAHA; null when no record matched
  workbook::RefreshOutcome workbook;
};

// The update behind "UPDATE QUERY": builds the conditions, reads the figures, rewrites FILTERED and has the
// workbook refreshed. Engine errors are raised before FILTERED or the workbook is touched when the queries
// themselves are faulty.
UpdateOutcome RunUpdate(db::Database& WorkDb, const Selection& selection, Conditions& conditions,
                        SelectionTexts& texts, const RefreshWorkbookFn& refreshWorkbook);

// The three lines shown after an update: the count, the total area rounded down, and whether the
// workbook really was updated. Lines end with CR LF.
std::string UpdateLabelText(const UpdateOutcome& outcome);

inline constexpr const char* kUpdateSucceeded = " Excel Woorkbook updated successfully !";

}  // namespace quorvia::query
