#pragma once

#include <string>

#include "folder_lock/folder_lock.h"
#include "query/criteria.h"
#include "query/filters.h"
#include "query/selection.h"
#include "workbook/query_table.h"
#include "workbook/refresh_workbook.h"

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

// What refreshing the report on a rewritten FILTERED came to.
struct FilteredRefresh {
  workbook::RefreshOutcome workbook;
  bool kept = false;       // FILTERED keeps its new text: the report was saved with the new figures
  std::string notPutBack;  // the engine's words when FILTERED could not be put back; "" otherwise
};

// The steps a run made of several items (the batch) takes through the run's state. The session implements
// them; the batch knows only this, so the session knows nothing of the batch.
class RunSteps {
 public:
  virtual db::Database& WorkDb() const = 0;
  virtual const std::string& ProgramFolder() const = 0;
  // The column of a levelled filter's list last read: "N2", "EBKL1DS"; "" when no level was chosen.
  virtual const std::string& ChosenColumn(const Filter& filter) const = 0;
  virtual const Conditions& CurrentConditions() const = 0;

  // The folder's run lock, or RunRefused. Refuses first a selection with a box that had no list.
  virtual folder_lock::FolderLock StartRun(const Selection& selection) const = 0;
  // The run's own conditions and texts, so that the window shows those of the run last made.
  virtual void KeepRunState(const Conditions& conditions, const SelectionTexts& texts) = 0;
  // Why the report workbook cannot be refreshed and saved, as far as that shows before a run changes
  // anything (see SpreadsheetSystem::WorkbookProblem); "" when nothing stands in the way.
  virtual std::string ReportProblem() const = 0;
  // The step every run shares: rewrites FILTERED with `sql`, refreshes the report with `rows` (sql's rows,
  // as the run has just read them) and the run's cover page, and keeps FILTERED only when the report was
  // saved with those figures; otherwise FILTERED is put back, so that the database and the report agree.
  // The engine's error when FILTERED cannot be rewritten leaves FILTERED and the workbook as they were.
  virtual FilteredRefresh RefreshOnNewFiltered(const std::string& sql, const workbook::QueryTable& rows,
                                               const SelectionTexts& texts,
                                               const std::string& changeColumn) = 0;
  // Refreshes the report or writes its copy with the run's cover page; `filteredRows` fill its data sheets
  // first (see workbook::RefreshWorkbook).
  virtual workbook::RefreshOutcome RefreshReport(const std::string& copyName, workbook::RefreshMode mode,
                                                 const SelectionTexts& texts, const std::string& changeColumn,
                                                 const workbook::QueryTable* filteredRows) = 0;

 protected:
  RunSteps() = default;
  ~RunSteps() = default;
  RunSteps(const RunSteps&) = default;
  RunSteps& operator=(const RunSteps&) = default;
};

}  // namespace quorvia::query
