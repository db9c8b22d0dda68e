#pragma once

#include <optional>
#include <string>
#include <vector>

#include "vocabulary/template_words.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook {

// What to do about a report workbook that lacks what the refresh needs.
inline constexpr const char* kWriteTemplateAgain = vocabulary::kWriteTemplateAgain;

// What a call does: bring the report up to date, or write a copy of it.
enum class RefreshMode { refresh, copy };

// The mode words that name the modes where a call is made by word: "Actualitza" and "copia", exactly.
// Nothing for any other word.
std::optional<RefreshMode> RefreshModeOfWord(const std::string& word);

// The state of the run that the cover page shows besides the selection.
struct CoverPageSource {
  std::string dataStatus;   // the data-status caption last shown
  std::string changeField;  // the change column the stored query groups by: "change1" or "change2"
};

// One text of the selection and the cover-page cell that shows it ("B13").
struct CoverCell {
  std::string cell;
  std::string text;
};

// Everything the cover page shows: the selection texts in their cells, the data status and the change
// column.
struct CoverPage {
  std::vector<CoverCell> selection;
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
  std::string plainReason;            // the first failure that was put in plain words, or ""

  // The figures of the workbook's file are the new ones: refreshed and saved, whatever the cover page.
  bool FiguresSaved() const noexcept { return pivotsRefreshed && saved; }

  // True when no step was abandoned.
  bool Succeeded() const noexcept { return failures.empty(); }
  // The first abandoned step, or "" when none.
  std::string FirstFailure() const { return failures.empty() ? std::string() : failures.front(); }
  // Why the workbook was not updated, in plain words first and the office's own words after them; "" when
  // nothing failed.
  std::string Reason() const;
};

// Brings the report workbook MOSA_QUERY.xls of programFolder up to date (RefreshMode::refresh) or writes a
// copy of it named copyName + ".xls" in programFolder (RefreshMode::copy). Without a mode it only obtains the
// application. Every step runs under a skip-on-failure rule. `filteredRows` are the rows of FILTERED as the
// run has just read them: the workbook's data sheets are filled with them before its pivot tables are
// refreshed. Without them the data sheets stay as they are, as a copy of a report just refreshed needs.
RefreshOutcome RefreshWorkbook(SpreadsheetSystem& system, const std::string& programFolder,
                               const std::string& copyName, std::optional<RefreshMode> mode,
                               const CoverPage& cover, const QueryTable* filteredRows = nullptr);

// The same call with the mode as its word ("Actualitza", "copia"); any other word only obtains the
// application.
RefreshOutcome RefreshWorkbook(SpreadsheetSystem& system, const std::string& programFolder,
                               const std::string& copyName, const std::string& modeWord,
                               const CoverPage& cover, const QueryTable* filteredRows = nullptr);

}  // namespace quorvia::workbook
