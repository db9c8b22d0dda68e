#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "folder_lock/folder_lock.h"
#include "query/batch_run.h"
#include "query/country_status.h"
#include "query/criteria.h"
#include "query/filters.h"
#include "query/run_stop.h"
#include "query/selection.h"
#include "query/update_run.h"
#include "workbook/refresh_workbook.h"

namespace quorvia::db {
class Database;
}

namespace quorvia::workbook {
class SpreadsheetSystem;
}

namespace quorvia::query {

// A level list: the column of the chosen level and its entries, "All" first. Both are empty when no level
// is chosen.
struct LevelList {
  std::string column;
  std::vector<std::string> entries;
};

// A run that was not started, with the message for the user; nothing was changed.
class RunRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// What refreshing the report on a rewritten FILTERED came to.
struct FilteredRefresh {
  workbook::RefreshOutcome workbook;
  bool kept = false;       // FILTERED keeps its new text: the report was saved with the new figures
  std::string notPutBack;  // the engine's words when FILTERED could not be put back; "" otherwise
};

// What one program run carries from run to run, apart from the window: the open database, the condition
// strings and selection texts of the last run, the level columns, the data-status caption last shown, and
// the way to the report workbook. The window hands it plain values and shows the values it returns; nothing
// here calls back into a window. Engine errors are raised as db::DbError and leave the state as far as the
// run got, as the window would.
//
// Threads: a session is used by one thread at a time, and nothing in it is locked. The window's thread
// makes it, sets the status sink and the wait bound, and reads the lists, the data status and the state of
// the last run (ChosenColumn, CurrentConditions, CurrentTexts) only while no run goes; the window turns its
// controls off for as long as one does. A run (Update, StartBatch or Batch, and the BatchRun's items) goes
// on the run thread, which has the session to itself until the window learns that it has ended. Within an
// update, std::async reads the area on the side connection while the run thread reads the change rows on
// the work connection, and the update waits for it before it goes on. The status sink is called on the run
// thread: a window that shows its text must pass it to its own thread. The session is destroyed only after
// its run has ended. The one call that another thread makes during a run is RunStop::Request on the stop
// handed to Update, which interrupts the update's queries on both connections (Database::Interrupt).
class QuerySession {
 public:
  QuerySession(std::unique_ptr<db::Database> database, workbook::SpreadsheetSystem& office,
               std::string programFolder);
  ~QuerySession();
  QuerySession(const QuerySession&) = delete;
  QuerySession& operator=(const QuerySession&) = delete;

  db::Database& WorkDb() const { return *workDb_; }
  const std::string& ProgramFolder() const { return programFolder_; }

  // The country entries for the database's DATA_ tables, in table order.
  std::vector<std::string> CountryEntries() const;

  // The list of a filter other than the country, for a country. A levelled filter's list is that of the
  // selected level button (levelIndex), and nothing without one; its column is noted (ChosenColumn) once
  // the list has been read.
  LevelList FilterList(const Filter& filter, const std::string& countryCode,
                       std::optional<int> levelIndex = std::nullopt);

  // The country's data status as the status label shows it; nothing (and the caption stays) for an unknown
  // status.
  std::optional<StatusDisplay> DataStatus(const std::string& countryCode);
  // Whether the country's data has the change column change1.
  bool HasChange1(const std::string& countryCode) const;

  // "UPDATE QUERY": builds the conditions, reads the figures, rewrites FILTERED and refreshes the report.
  // A query the engine rejects, a connection that cannot be opened, or a workbook that cannot be written
  // stops the run before FILTERED or the workbook is touched; a refresh or save that fails afterwards puts
  // FILTERED back as it was, so that the database and the report agree. RunRefused when a box of the
  // selection had no list, or another run in the program folder outlasted the wait.
  UpdateOutcome Update(const Selection& selection);
  // The same, stopped by `stop` (which another thread may request) while its figures are read: the
  // outcome is then cancelled, with nothing written. A stop asked for later lets the update finish.
  UpdateOutcome Update(const Selection& selection, RunStop& stop);

  // Runs (an update, or a whole batch) take turns per program folder: FILTERED and the report workbook are
  // one per folder, and two runs at once would mix their selections. A run waits for the one before it up
  // to the bound, telling the status sink that it waits.
  void SetStatusSink(std::function<void(const std::string&)> sink) { statusSink_ = std::move(sink); }
  void SetRunWaitBound(std::chrono::milliseconds bound) { runWaitBound_ = bound; }
  static constexpr std::chrono::minutes kDefaultRunWaitBound{10};

  // A batch, run item by item by the caller (see BatchRun), or all at once.
  BatchRun StartBatch(BatchRequest request);
  BatchOutcome Batch(BatchRequest request);

  // The column of a levelled filter's list last read: "N2", "EBKL1DS"; "" when no level was chosen.
  const std::string& ChosenColumn(const Filter& filter) const { return chosenColumns_.*filter.slot; }
  const Conditions& CurrentConditions() const { return conditions_; }
  const SelectionTexts& CurrentTexts() const { return texts_; }

  // What a run (the update, a batch) works through. The run builds its own conditions and texts and hands
  // them in with KeepRunState, so that the window shows those of the run last made.
  workbook::SpreadsheetSystem& Office() const { return office_; }
  // The folder's run lock, or RunRefused. Refuses first a selection with a box that had no list.
  folder_lock::FolderLock StartRun(const Selection& selection) const;
  // Refreshes the report or writes its copy with the run's cover page; `filteredRows` fill its data sheets
  // first (see workbook::RefreshWorkbook).
  workbook::RefreshOutcome RefreshReport(const std::string& copyName, workbook::RefreshMode mode,
                                         const SelectionTexts& texts, const std::string& changeColumn,
                                         const workbook::QueryTable* filteredRows);
  // The step every run shares: rewrites FILTERED with `sql`, refreshes the report with `rows` (sql's rows,
  // as the run has just read them) and the run's cover page, and keeps FILTERED only when the report was
  // saved with those figures; otherwise FILTERED is put back, so that the database and the report agree.
  // The engine's error when FILTERED cannot be rewritten leaves FILTERED and the workbook as they were.
  FilteredRefresh RefreshOnNewFiltered(const std::string& sql, const workbook::QueryTable& rows,
                                       const SelectionTexts& texts, const std::string& changeColumn);
  void KeepRunState(const Conditions& conditions, const SelectionTexts& texts);
  // Why the report workbook cannot be refreshed and saved, as far as that shows before a run changes
  // anything (see SpreadsheetSystem::WorkbookProblem); "" when nothing stands in the way.
  std::string ReportProblem() const;

 private:
  // A second connection to the database, opened at the first update, on which the area query runs beside
  // the change query; nothing when the engine offers none.
  db::Database* SideDatabase();

  std::unique_ptr<db::Database> workDb_;
  std::unique_ptr<db::Database> sideDb_;
  bool sideDbTried_ = false;
  workbook::SpreadsheetSystem& office_;
  const std::string programFolder_;
  Conditions conditions_;
  SelectionTexts texts_;
  FilterTexts chosenColumns_;
  std::string dataStatusCaption_;
  std::function<void(const std::string&)> statusSink_;
  std::chrono::milliseconds runWaitBound_ = kDefaultRunWaitBound;
};

inline constexpr const char* kWaitingForOtherRun =
    "Waiting for the update running in this program folder to finish...";

}  // namespace quorvia::query
