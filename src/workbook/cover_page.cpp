#include "workbook/cover_page.h"

#include <vector>

#include "vocabulary/data_tables.h"
#include "workbook/cover_layout.h"
#include "workbook/skip_on_failure.h"

namespace quorvia::workbook {

std::string ChangeSource(const std::string& changeField) {
  return changeField == vocabulary::kReviewedChangeColumn ? "VARDA90 reviewed" : "Changes database";
}

bool WriteCoverPage(SpreadsheetApplication& application, const std::string& workbookName,
                    const CoverPage& cover, RefreshOutcome& outcome) {
  // The selection comes in the template's reading order; status and source follow it.
  std::vector<CoverCell> cells = cover.selection;
  cells.push_back({CoverCellOf(kDataStatusRow), cover.source.dataStatus});
  cells.push_back({CoverCellOf(kChangeSourceRow), ChangeSource(cover.source.changeField)});
  bool allWritten = true;
  for (const auto& [cell, text] : cells) {
    allWritten &= RunStep(outcome, std::string(kCoverWorksheet) + "!" + cell,
                          [&] { application.WriteCell(workbookName, kCoverWorksheet, cell, text); });
  }
  return allWritten;
}

}  // namespace quorvia::workbook
