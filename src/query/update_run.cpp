#include "query/update_run.h"

#include <cmath>
#include <cstdio>

#include "db/database.h"
#include "query/change_queries.h"
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
  const std::string reason = workbook.FirstFailure();
  return " Excel workbook NOT updated: " + (reason.empty() ? std::string("it was not saved") : reason);
}

}  // namespace

UpdateOutcome QuerySession::Update(const Selection& selection) {
  const auto runLock = StartRun(selection);
  BuildCriteria(selection, conditions_);
  const std::string countryCode = FirstCharacters(selection.Combo1, 2);
  // Both results are opened before anything is written, so a query the engine rejects stops the run here.
  const auto areaResult = workDb_->OpenRecordset(AreaQuery(countryCode, conditions_));
  const std::string changeSql = ChangeQuery(countryCode, conditions_.ChangeField, conditions_);
  const auto changeResult = workDb_->OpenRecordset(changeSql);
  texts_ = TextsOf(selection);
  Updata(*workDb_, changeSql);

  UpdateOutcome outcome;
  outcome.workbook = RefreshReport("", workbook::kRefreshMode, texts_, conditions_.ChangeField);
  outcome.recordCount = changeResult->RecordCount();
  outcome.area = areaResult->Value("area");
  outcome.labelText = UpdateLabelText(outcome);
  return outcome;
}

std::string UpdateLabelText(const UpdateOutcome& outcome) {
  return std::to_string(outcome.recordCount) + " records selected " + "\r\n" +
         " Total Area (Ha): " + WholeHectares(outcome.area) + "\r\n" + WorkbookLines(outcome.workbook);
}

}  // namespace quorvia::query
