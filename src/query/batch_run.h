#pragma once

#include <optional>
#include <string>
#include <vector>

#include "folder_lock/folder_lock.h"
#include "query/copy_names.h"
#include "query/copy_register.h"
#include "query/filters.h"
#include "query/selection.h"

namespace quorvia::query {

class QuerySession;

// What the batch dialog, the input box and the main window handed over.
struct BatchRequest {
  std::string count;               // the dialog's item count, as text
  std::string unit;                // the unit name of one of the filters
  std::vector<std::string> items;  // the unit's items in list order
  std::vector<bool> selected;      // their selection flags
  std::string prefix;              // file-name prefix of the copies
  Selection selection;             // the main window's selection when the dialog closed
};

struct BatchOutcome {
  int processed = 0;
  int failed = 0;                     // items whose copy is missing or does not show the item
  std::vector<std::string> failures;  // "<item>: <reason>"
  std::vector<std::string> copies;    // copy names written, in order
  std::vector<std::string> kept;      // "<file> kept, the copy is <other file>": files not ours, not replaced
  std::string labelText;              // what the status label shows afterwards (BatchFinishedText)
};

// What the window shows before an item runs.
struct BatchStep {
  std::string statusText;  // "Processing update <n> of <count>..."
  bool hourglass = false;  // the country loop sets the hourglass for every item; the unit loop leaves it
};

// One batch, item by item, so that the window can show each step before it runs:
//   while (const auto step = run.Next()) { show *step; run.RunItem(); }
// Engine errors are raised by Next or RunItem and end the batch.
class BatchRun {
 public:
  BatchRun(QuerySession& session, BatchRequest request);

  // Sets the conditions and selection texts for the next selected item and says what to show; nothing when
  // every selected item has run.
  std::optional<BatchStep> Next();
  // Rewrites FILTERED for the item Next announced, refreshes the report and saves its copy. The copy is
  // written only from a report that was refreshed and saved for this item, never over the report itself,
  // and over an existing file only when that is a copy written earlier.
  void RunItem();
  // The outcome so far; complete once Next has returned nothing.
  const BatchOutcome& Outcome() const { return outcome_; }
  const BatchRequest& Request() const { return request_; }

 private:
  // Why the item's copy cannot be written from the refreshed report, or "".
  std::string ChooseCopyName(std::string& name);

  QuerySession& session_;
  folder_lock::FolderLock runLock_;  // held from the first item to the end of the batch
  const BatchRequest request_;
  const std::string windowCountry_;
  std::size_t next_ = 0;
  std::string sql_;
  std::string changeColumn_;
  std::string item_;
  std::string itemName_;
  CopyNames copyNames_;
  CopyRegister copyRegister_;
  BatchOutcome outcome_;
};

// "Tasks finished"; on further lines how many items failed, when any did, and which files were kept
// under their names.
std::string BatchFinishedText(const BatchOutcome& outcome);

}  // namespace quorvia::query
