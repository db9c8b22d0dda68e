#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "folder_lock/folder_lock.h"
#include "query/country_status.h"
#include "query/criteria.h"
#include "query/filters.h"
#include "query/run_steps.h"
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

// What one program run carries from run to run, apart from the window: the open database, the condition
// strings and selection texts of the last run, the level columns, the data-status caption last shown, and
// the way to the report workbook. The window hands it plain values and shows the values it returns; nothing
// here calls back into a window. Engine errors are raised as db::DbError and leave the state as far as the
// run got, as the window would.
//
// Threads: a session is used by one thread at a time, and nothing in it is locked. The window's thread
// makes it, sets the status sink and the wait bound, and reads the lists, the data status and the state of
// the last run (ChosenColumn, CurrentConditions, CurrentTexts) only while no run goes; the window turns its
// controls off for as long as one does. A run (Update, or a batch through the steps) goes
// on the run thread, which has the session to itself until the window learns that it has ended. Within an
// update, std::async reads the area on the side connection while the run thread reads the change rows on
// the work connection, and the update waits for it before it goes on. The status sink is called on the run
// thread: a window that shows its text must pass it to its own thread. The session is destroyed only after
// its run has ended. The one call that another thread makes during a run is RunStop::Request on the stop
// handed to Update, which interrupts the update's queries on both connections (Database::Interrupt).
//
// A batch (query::BatchRun) takes its steps through RunSteps, which the session implements; those steps are
// the batch's, not the session's public face.
class QuerySession final : public RunSteps {
 public:
  QuerySession(std::unique_ptr<db::Database> database, workbook::SpreadsheetSystem& office,
               std::string programFolder);
  ~QuerySession();
  QuerySession(const QuerySession&) = delete;
  QuerySession& operator=(const QuerySession&) = delete;

  db::Database& WorkDb() const override { return *workDb_; }
  const std::string& ProgramFolder() const override { return programFolder_; }

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

  // The column of a levelled filter's list last read: "N2", "EBKL1DS"; "" when no level was chosen.
  const std::string& ChosenColumn(const Filter& filter) const override { return chosenColumns_.*filter.slot; }
  const Conditions& CurrentConditions() const override { return conditions_; }
  const SelectionTexts& CurrentTexts() const { return texts_; }
  std::string ReportProblem() const override;

 private:
  // The steps of a run (see RunSteps); the update takes them itself, a batch through RunSteps.
  folder_lock::FolderLock StartRun(const Selection& selection) const override;
  workbook::RefreshOutcome RefreshReport(const std::string& copyName, workbook::RefreshMode mode,
                                         const SelectionTexts& texts, const std::string& changeColumn,
                                         const workbook::QueryTable* filteredRows) override;
  FilteredRefresh RefreshOnNewFiltered(const std::string& sql, const workbook::QueryTable& rows,
                                       const SelectionTexts& texts, const std::string& changeColumn) override;
  void KeepRunState(const Conditions& conditions, const SelectionTexts& texts) override;

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
