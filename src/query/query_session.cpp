#include "query/query_session.h"

#include <utility>

#include "db/database.h"
#include "query/change_queries.h"
#include "query/change_rows.h"
#include "query/country_table.h"
#include "query/unit_lists.h"
#include "query/updata.h"
#include "query/whole_country_figures.h"
#include "vocabulary/data_tables.h"
#include "vocabulary/file_names.h"

namespace quorvia::query {

QuerySession::QuerySession(std::unique_ptr<db::Database> database, workbook::SpreadsheetSystem& office,
                           std::string programFolder)
    : workDb_(std::move(database)), office_(office), programFolder_(std::move(programFolder)) {}

QuerySession::~QuerySession() = default;

db::Database* QuerySession::SideDatabase() {
  if (!sideDbTried_) {
    sideDb_ = workDb_->OpenAnother();
    sideDbTried_ = true;
  }
  return sideDb_.get();
}

std::vector<std::string> QuerySession::CountryEntries() const {
  const auto tables = workDb_->ListTableDefs();
  std::vector<std::string> names;
  for (int i = 0; i < tables.Count(); ++i) names.push_back(tables.Item(i).Name());
  return CountryEntriesFor(names);
}

LevelList QuerySession::FilterList(const Filter& filter, const std::string& countryCode,
                                   std::optional<int> levelIndex) {
  const auto read = [&](const std::string& column) {
    return LevelList{column, ReadFilterList(*workDb_, ListQuery(column, countryCode), column)};
  };
  if (filter.kind != FilterKind::levelled) return read(filter.column);
  // An engine error leaves by exception before the assignment, so the column keeps its previous value then.
  LevelList list;
  if (levelIndex) list = read(LevelColumn(filter, *levelIndex));
  chosenColumns_.*filter.slot = list.column;
  return list;
}

std::optional<StatusDisplay> QuerySession::DataStatus(const std::string& countryCode) {
  const auto rows = workDb_->OpenRecordset("SELECT DISTINCT STATUS FROM " +
                                           std::string(vocabulary::kUnitsTablePrefix) + countryCode);
  rows->MoveFirst();
  const auto display = StatusDisplayFor(rows->Value("Status").ToString());
  if (display) dataStatusCaption_ = display->caption;
  return display;
}

bool QuerySession::HasChange1(const std::string& countryCode) const {
  return HasChange1Column(*workDb_, vocabulary::kDataTablePrefix + countryCode);
}

workbook::RefreshOutcome QuerySession::RefreshReport(const std::string& copyName, workbook::RefreshMode mode,
                                                     const SelectionTexts& texts,
                                                     const std::string& changeColumn,
                                                     const workbook::QueryTable* filteredRows) {
  workbook::CoverPage cover{{}, {dataStatusCaption_, changeColumn}};
  for (const Filter& filter : kFilters) cover.selection.push_back({filter.coverCell, texts.*filter.slot});
  return workbook::RefreshWorkbook(office_, programFolder_, copyName, mode, cover, filteredRows);
}

FilteredRefresh QuerySession::RefreshOnNewFiltered(const std::string& sql, const workbook::QueryTable& rows,
                                                   const SelectionTexts& texts,
                                                   const std::string& changeColumn) {
  FilteredRewrite filtered(*workDb_, sql);
  FilteredRefresh result;
  result.workbook = RefreshReport("", workbook::RefreshMode::refresh, texts, changeColumn, &rows);
  // A report that was not saved with the new figures still shows the old selection: so must FILTERED.
  if (result.workbook.FiguresSaved()) {
    filtered.Keep();
    result.kept = true;
  } else {
    result.notPutBack = filtered.PutBack();
  }
  return result;
}

folder_lock::FolderLock QuerySession::StartRun(const Selection& selection) const {
  if (!selection.unloadedBoxes.empty() && CountryEntries().empty()) {
    throw RunRefused(NoCountryTableText(workDb_->Path()) +
                     " The update was not done: FILTERED and the workbook are as they were.");
  }
  if (!selection.unloadedBoxes.empty()) {
    std::string boxes;
    for (const auto& box : selection.unloadedBoxes) boxes += (boxes.empty() ? "" : ", ") + box;
    const bool one = selection.unloadedBoxes.size() == 1;
    throw RunRefused(std::string("The update was not done: the list") + (one ? " of " : "s of ") + boxes +
                     " could not be read from the database, so " + (one ? "it holds" : "they hold") +
                     " no selection. Choose the country again, or another one; FILTERED and the workbook are "
                     "as they were.");
  }
  auto lock = folder_lock::FolderLock::Take(programFolder_, runWaitBound_, [this] {
    if (statusSink_) statusSink_(kWaitingForOtherRun);
  });
  if (!lock) {
    throw RunRefused("Another update has been running in the program folder " + programFolder_ +
                     " for longer than " + std::to_string(runWaitBound_.count() / 1000) +
                     " s. The update was not done: FILTERED and the workbook are as they were.");
  }
  return std::move(*lock);
}

std::string QuerySession::ReportProblem() const {
  return office_.WorkbookProblem(programFolder_ + "/" + vocabulary::kReportFileName);
}

void QuerySession::KeepRunState(const Conditions& conditions, const SelectionTexts& texts) {
  conditions_ = conditions;
  texts_ = texts;
}

UpdateOutcome QuerySession::Update(const Selection& selection) {
  RunStop neverAsked;
  return Update(selection, neverAsked);
}

UpdateOutcome QuerySession::Update(const Selection& selection, RunStop& stop) {
  const auto runLock = StartRun(selection);
  BuildCriteria(selection, conditions_);
  const std::string countryCode = CountryCode(selection.country);
  const std::string areaSql = AreaQuery(countryCode, conditions_);
  const std::string changeSql = ChangeQuery(countryCode, conditions_.ChangeField, conditions_);
  // Everything that can fail without the workbook is done before FILTERED is rewritten: the second
  // connection is opened, both queries are checked (so a query the engine rejects stops the run here) and
  // read (the change query is FILTERED's new text, so its rows are the label's count and the report's
  // data, handed to the refresh: the workbook reads no database). A stop asked for meanwhile cuts this
  // part short, and nothing is written. The office is then driven from the calling thread, so that every
  // office call of every run comes from the one thread that runs them (an office started there lives as
  // long as that thread).
  db::Database* side = SideDatabase();
  auto read = stop.UnlessStopped({workDb_.get(), side}, [&] {
    workDb_->CheckQuery(areaSql);
    workDb_->CheckQuery(changeSql);
    texts_ = TextsOf(selection);
    return ReadFiguresOfUpdate(*workDb_, side, countryCode, conditions_, areaSql, changeSql);
  });
  UpdateOutcome outcome;
  if (!read) {
    outcome.cancelled = outcome.filteredAsBefore = true;
    outcome.labelText = UpdateLabelText(outcome);
    return outcome;
  }
  UpdateFigures& figures = *read;
  outcome.recordCount = static_cast<long>(figures.changes.rows.size());
  outcome.area = figures.area;
  if (const std::string problem = ReportProblem(); !problem.empty()) {
    outcome.workbook.failures.push_back(problem);
    outcome.workbook.plainReason = problem;
    outcome.filteredAsBefore = true;
  } else {
    FilteredRefresh refreshed =
        RefreshOnNewFiltered(changeSql, figures.changes, texts_, conditions_.ChangeField);
    outcome.workbook = std::move(refreshed.workbook);
    if (!refreshed.kept) {
      outcome.filteredNotPutBack = std::move(refreshed.notPutBack);
      outcome.filteredAsBefore = outcome.filteredNotPutBack.empty();
    }
  }
  outcome.labelText = UpdateLabelText(outcome);
  return outcome;
}

}  // namespace quorvia::query
