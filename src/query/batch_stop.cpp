#include "query/batch_stop.h"

#include <algorithm>

namespace quorvia::query {

int SelectedItemCount(const BatchRequest& request) {
  const auto listed = std::min(request.items.size(), request.selected.size());
  return static_cast<int>(std::count(request.selected.begin(),
                                     request.selected.begin() + static_cast<std::ptrdiff_t>(listed), true));
}

std::string BatchStoppedText(const BatchOutcome& outcome, int total) {
  const std::string finished = BatchFinishedText(outcome);
  const auto firstLineEnd = finished.find("\r\n");
  const std::string furtherLines = firstLineEnd == std::string::npos ? "" : finished.substr(firstLineEnd);
  return "Stopped: " + std::to_string(outcome.processed) + " of " + std::to_string(total) + " items done" +
         furtherLines;
}

BatchOutcome RunBatch(BatchRun& run, const std::function<void(const BatchStep&)>& beforeItem,
                      const std::function<bool()>& stopRequested) {
  while (!stopRequested()) {
    const auto step = run.Next();
    if (!step) return run.Outcome();
    beforeItem(*step);
    run.RunItem();
  }
  const int total = SelectedItemCount(run.Request());
  if (run.Outcome().processed >= total) {
    // The stop came after the last item: the batch has run to its end.
    run.Next();
    return run.Outcome();
  }
  BatchOutcome outcome = run.Outcome();
  outcome.labelText = BatchStoppedText(outcome, total);
  return outcome;
}

}  // namespace quorvia::query
