#include "query/batch_stop.h"

#include <algorithm>

namespace quorvia::query {

void BatchHold::Hold() {
  const std::lock_guard lock(mutex_);
  held_ = true;
}

void BatchHold::Release() {
  {
    const std::lock_guard lock(mutex_);
    held_ = false;
  }
  released_.notify_all();
}

void BatchHold::WaitWhileHeld() {
  std::unique_lock lock(mutex_);
  released_.wait(lock, [this] { return !held_; });
}

int SelectedItemCount(const BatchRequest& request) {
  const auto listed = std::min(request.items.size(), request.selected.size());
  return static_cast<int>(std::count(request.selected.begin(),
                                     request.selected.begin() + static_cast<std::ptrdiff_t>(listed), true));
}

std::string BatchStoppedText(const BatchOutcome& outcome, int total) {
  return "Stopped: " + BatchItemsLine(outcome, total) + BatchDetailLines(outcome);
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
  run.NoteItemsNotRun();
  BatchOutcome outcome = run.Outcome();
  outcome.labelText = BatchStoppedText(outcome, total);
  return outcome;
}

}  // namespace quorvia::query
