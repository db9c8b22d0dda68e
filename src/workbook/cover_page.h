#pragma once

#include <string>

#include "workbook/refresh_workbook.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook {

// Which change source the query grouped by: "VARDA90 reviewed" for "change1", otherwise "Changes database".
std::string ChangeSource(const std::string& changeField);

// Writes the cover page onto the worksheet "CoverPage" of the open workbook `workbookName`: the selection's
// cells in their order, then the data status and the change source, each its own step, so one failing
// write neither stops the others nor the save after them. Returns true when every cell was written.
bool WriteCoverPage(SpreadsheetApplication& application, const std::string& workbookName,
                    const CoverPage& cover, RefreshOutcome& outcome);

}  // namespace quorvia::workbook
