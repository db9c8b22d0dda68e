#include "query/update_run.h"

#include <cmath>
#include <cstdio>

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

// After a workbook that was not updated, the user learns whether the database still agrees with it.
std::string FilteredLine(const UpdateOutcome& outcome) {
  if (outcome.workbook.FiguresSaved()) return {};
  if (outcome.filteredAsBefore) return std::string("\r\n") + kNothingChanged;
  if (outcome.filteredNotPutBack.empty()) return {};
  return "\r\n FILTERED could not be put back (" + outcome.filteredNotPutBack +
         "): it holds this selection while the workbook shows the one before";
}

}  // namespace

std::string UpdateLabelText(const UpdateOutcome& outcome) {
  if (outcome.cancelled) return kUpdateCancelled;
  return std::to_string(outcome.recordCount) + " records selected " + "\r\n" +
         " Total Area (Ha): " + WholeHectares(outcome.area) + "\r\n" + WorkbookLines(outcome.workbook) +
         FilteredLine(outcome);
}

}  // namespace quorvia::query
