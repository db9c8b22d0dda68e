#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "query/batch_run.h"

namespace quorvia::query {

// Runs a batch to its end, or until `stopRequested` answers true. The question is asked between items only,
// so the item in hand always finishes: its report is saved and its copy written, nothing is left half-done.
// `beforeItem` gets each step before its item runs. An item's engine error fails that item (see BatchRun).
// A stopped batch's label says how many of its items were done (BatchStoppedText).
BatchOutcome RunBatch(BatchRun& run, const std::function<void(const BatchStep&)>& beforeItem,
                      const std::function<bool()>& stopRequested);

// Keeps a batch from starting its next item while it is held, from whichever thread: the window holds it
// while it asks whether to stop, so that the answer decides about the next item. The item in hand goes on.
class BatchHold {
 public:
  void Hold();
  void Release();
  // Returns at once unless held; then once released.
  void WaitWhileHeld();

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  bool held_ = false;
};

// How many items the batch was asked to run: those selected in the dialog's list.
int SelectedItemCount(const BatchRequest& request);

// "Stopped: <done> of <total> items done", with the items that failed and those not run, then the lines
// that follow the count for a batch that ran to its end (the first failure, which files were kept).
std::string BatchStoppedText(const BatchOutcome& outcome, int total);

}  // namespace quorvia::query
