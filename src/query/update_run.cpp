#include "query/update_run.h"

#include <cmath>
#include <cstdio>
#include <utility>

#include "db/database.h"
#include "query/change_queries.h"
#include "query/change_rows.h"
#include "query/query_session.h"
#include "query/updata.h"

namespace quorvia::query {
namespace {

std::string WholeHectares(const db::FieldValue& area) {
  if (area.IsNull()) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%.0f", std::floor(area.ToDouble()));
  return text;
}

// A cover page that could not be written does not make the saved figures less new, so it gets a line of
// its own instead of turning the update into a failure.
std::string WorkbookLines(const workbook::RefreshOutcome& workbook) {
  if (workbook.FiguresSaved()) {
    if (workbook.coverPageFailure.empty()) return kUpdateSucceeded;
    return std::string(kUpdateSucceeded) + "\r\n" + kCoverPageNotWritten + workbook.coverPageFailure;
  }
  const std::string reason = workbook.Reason();
  return " Excel workbook NOT updated: " + (reason.empty() ? std::string("it was not saved") : reason);
}

}  // namespace

UpdateOutcome QuerySession::Update(const Selection& selection) {
  const auto runLock = StartRun(selection);
  BuildCriteria(selection, conditions_);
  const std::string countryCode = CountryCode(selection.country);
  // Both queries are checked before anything is written, so a query the engine rejects stops the run here.
  const std::string areaSql = AreaQuery(countryCode, conditions_);
  const std::string changeSql = ChangeQuery(countryCode, conditions_.ChangeField, conditions_);
  workDb_->CheckQuery(areaSql);
  workDb_->CheckQuery(changeSql);
  texts_ = TextsOf(selection);
  Updata(*workDb_, changeSql);

  // The change query is read once: its rows are the label's count and the report's data, which the
  // workbook takes instead of reading FILTERED (the same text) again. Everything is read before the
  // workbook is touched, so a failed read leaves the report as it was. The office is then driven from the
  // calling thread, so that every office call of every run comes from the one thread that runs them (an
  // office started there lives as long as that thread).
  UpdateFigures figures = ReadUpdateFigures(*workDb_, SideDatabase(), areaSql, changeSql);
  UpdateOutcome outcome;
  outcome.recordCount = static_cast<long>(figures.changes.rows.size());
  outcome.area = std::move(figures.area);
  {
    const OfferedFilteredRows offered(office_, programFolder_, std::move(figures.changes));
    outcome.workbook = RefreshReport("", workbook::RefreshMode::refresh, texts_, conditions_.ChangeField);
  }
  outcome.labelText = UpdateLabelText(outcome);
  return outcome;
}

std::string UpdateLabelText(const UpdateOutcome& outcome) {
  return std::to_string(outcome.recordCount) + " records selected " + "\r\n" +
         " Total Area (Ha): " + WholeHectares(outcome.area) + "\r\n" + WorkbookLines(outcome.workbook);
}

}  // namespace quorvia::query
