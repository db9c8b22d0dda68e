#pragma once

#include <functional>
#include <string>

#include "query/batch_run.h"

namespace quorvia::query {

// Runs a batch to its end, or until `stopRequested` answers true. The question is asked between items only,
// so the item in hand always finishes: its report is saved and its copy written, nothing is left half-done.
// `beforeItem` gets each step before its item runs. Engine errors end the batch as BatchRun raises them.
// A stopped batch's label says how many of its items were done (BatchStoppedText).
BatchOutcome RunBatch(BatchRun& run, const std::function<void(const BatchStep&)>& beforeItem,
                      const std::function<bool()>& stopRequested);

// How many items the batch was asked to run: those selected in the dialog's list.
int SelectedItemCount(const BatchRequest& request);

// "Stopped: <done> of <total> items done", then the lines that follow "Tasks finished" for a batch that ran
// to its end (which items failed, which files were kept).
std::string BatchStoppedText(const BatchOutcome& outcome, int total);

}  // namespace quorvia::query
