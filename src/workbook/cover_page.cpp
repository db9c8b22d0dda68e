#include "workbook/cover_page.h"

#include <vector>

#include "vocabulary/data_tables.h"
#include "workbook/skip_on_failure.h"

namespace quorvia::workbook {

namespace {

constexpr const char* kCoverWorksheet = "CoverPage";

}  // namespace

std::string ChangeSource(const std::string& changeField) {
  return changeField == vocabulary::kReviewedChangeColumn ? "VARDA90 reviewed" : "Changes database";
}

bool WriteCoverPage(SpreadsheetApplication& application, const std::string& workbookName,
                    const CoverPage& cover, RefreshOutcome& outcome) {
  // The selection comes in the template's reading order; status and source follow it.
  std::vector<CoverCell> cells = cover.selection;
  cells.push_back({"B12", cover.source.dataStatus});
  cells.push_back({"B20", ChangeSource(cover.source.changeField)});
  bool allWritten = true;
  for (const auto& [cell, text] : cells) {
    allWritten &= RunStep(outcome, std::string(kCoverWorksheet) + "!" + cell,
                          [&] { application.WriteCell(workbookName, kCoverWorksheet, cell, text); });
  }
  return allWritten;
}

}  // namespace quorvia::workbook
