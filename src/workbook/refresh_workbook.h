#pragma once

#include <string>
#include <vector>

#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook {

// The report workbook's file name in the program folder.
inline constexpr const char* kReportFileName = "MOSA_QUERY.xls";

// The mode words of a call: bring the report up to date, or write a copy of it.
inline constexpr const char* kRefreshMode = "Actualitza";
inline constexpr const char* kCopyMode = "copia";

// The state of the run that the cover page shows besides the selection.
struct CoverPageSource {
  std::string dataStatus;   // the data-status caption last shown
  std::string changeField;  // the change column the stored query groups by: "change1" or "change2"
};

// Everything the cover page shows: the six selection texts, the data status and the change column.
struct CoverPage {
  std::string Country;
  std::string Nuts;
  std::string Elevation;
  std::string LandCover;
  std::string Watershed;
  std::string Shoreline;
  CoverPageSource source;
};

// What a call of RefreshWorkbook really achieved. The call itself shows and raises nothing; the caller uses
// this so that it never reports a failure as a success.
struct RefreshOutcome {
  bool refreshed = false;        // refresh run: the pivot tables were refreshed and the cover page written
  bool pivotsRefreshed = false;  // refresh run: every visible pivot table was refreshed
  bool saved = false;            // the workbook was written back to its own file
  bool copied = false;           // copy run: the copy was written
  std::vector<std::string> failures;  // one line per abandoned step, in order
  std::string coverPageFailure;       // the first cover-page cell that could not be written, or ""

  // The figures of the workbook's file are the new ones: refreshed and saved, whatever the cover page.
  bool FiguresSaved() const noexcept { return pivotsRefreshed && saved; }

  // True when no step was abandoned.
  bool Succeeded() const noexcept { return failures.empty(); }
  // The first abandoned step, or "" when none.
  std::string FirstFailure() const { return failures.empty() ? std::string() : failures.front(); }
};

// Brings the report workbook MOSA_QUERY.xls of programFolder up to date ("Actualitza") or writes a copy of
// it named CopyName + ".xls" in programFolder ("copia"). Any other mode word only obtains the application.
// Every step runs under a skip-on-failure rule.
RefreshOutcome RefreshWorkbook(SpreadsheetSystem& system, const std::string& programFolder,
                               const std::string& CopyName, const std::string& Mode,
                               const std::string& Country, const std::string& Nuts,
                               const std::string& Elevation, const std::string& LandCover,
                               const std::string& Watershed, const std::string& Shoreline,
                               const CoverPageSource& cover);

// The same call with the cover page as one value.
RefreshOutcome RefreshWorkbook(SpreadsheetSystem& system, const std::string& programFolder,
                               const std::string& CopyName, const std::string& Mode, const CoverPage& cover);

}  // namespace quorvia::workbook
