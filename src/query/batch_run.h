#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "folder_lock/folder_lock.h"
#include "query/copy_names.h"
#include "query/copy_register.h"
#include "query/criteria.h"
#include "query/filters.h"
#include "query/run_steps.h"
#include "query/selection.h"
#include "workbook/query_table.h"

namespace quorvia::query {

// What the batch dialog, the input box and the main window handed over.
struct BatchRequest {
  std::string count;               // the dialog's item count, as text
  std::string unit;                // the unit name of one of the filters
  std::vector<std::string> items;  // the unit's items in list order
  std::vector<bool> selected;      // their selection flags
  std::string prefix;              // file-name prefix of the copies
  Selection selection;             // the main window's selection when the dialog closed
};

// The rows an item's report was refreshed with, kept for the batch summary once its copy was written.
struct CopyFigures {
  std::string item;
  std::string copy;  // the copy's file name without ".xls"
  workbook::QueryTable rows;
};

struct BatchOutcome {
  int processed = 0;
  int failed = 0;                     // items whose copy is missing or does not show the item
  std::vector<std::string> failures;  // "<item>: <reason>"
  std::vector<std::string> failedItems;
  std::vector<std::string> notRun;   // selected items that never ran because the batch stopped
  std::string stoppedBy;             // why the batch stopped before its last item, or ""
  std::vector<std::string> copies;   // copy names written, in order
  std::vector<std::string> kept;     // "<file> kept, the copy is <other file>": files not ours, not replaced
  std::vector<std::string> renamed;  // "<item>: the copy is <file>" where another item had taken the name
  std::string prefixUsed;            // the prefix as the file names carry it, when characters were replaced
  std::string labelText;             // what the status label shows afterwards (BatchFinishedText)
  std::vector<CopyFigures> copyFigures;  // one per copy written, in order

  // Every selected item ran and has its copy.
  bool Complete() const { return failed == 0 && notRun.empty() && stoppedBy.empty(); }
};

// What the window shows before an item runs.
struct BatchStep {
  std::string statusText;  // "Processing update <n> of <count>..."
  bool hourglass = false;  // the country loop sets the hourglass for every item; the unit loop leaves it
};

// One batch, item by item, so that the window can show each step before it runs:
//   while (const auto step = run.Next()) { show *step; run.RunItem(); }
// An item that fails is noted and the batch goes on with the next; a lost server stops the batch, and the
// items left are noted as not run. Next always ends with the outcome's final label.
class BatchRun {
 public:
  BatchRun(RunSteps& session, BatchRequest request);

  // Sets the conditions and selection texts for the next selected item, hands them to the session, and says
  // what to show; nothing when every selected item has run.
  std::optional<BatchStep> Next();
  // Rewrites FILTERED for the item Next announced, refreshes the report and saves its copy. The copy is
  // written only from a report that was refreshed and saved for this item, never over the report itself,
  // and over an existing file only when that is a copy written earlier.
  void RunItem();
  // The outcome so far; complete once Next has returned nothing.
  const BatchOutcome& Outcome() const { return outcome_; }
  const BatchRequest& Request() const { return request_; }
  // The selected items not run yet are noted as not run: the batch ends here.
  void NoteItemsNotRun();

 private:
  // The name of the item's copy, or why none can be written from the refreshed report.
  struct CopyNameChoice {
    std::string name;     // without ".xls"; "" when refused
    std::string refusal;  // "" when a name was found
  };
  CopyNameChoice ChooseCopyName();
  void RunItemSteps();
  std::optional<std::string> ServerGoneSince();

  RunSteps& session_;
  folder_lock::FolderLock runLock_;  // held from the first item to the end of the batch
  const BatchRequest request_;
  const std::string windowCountry_;
  std::size_t next_ = 0;
  Conditions conditions_;  // the window's conditions, the unit's replaced by the item's
  SelectionTexts texts_;   // the window's texts, the unit's replaced by the item
  std::string sql_;
  std::string changeColumn_;
  std::string item_;
  std::string itemName_;
  CopyNames copyNames_;
  CopyRegister copyRegister_;
  BatchOutcome outcome_;
};

// A batch on a session's run state, run item by item by the caller, or all at once.
inline BatchRun StartBatch(RunSteps& session, BatchRequest request) { return {session, std::move(request)}; }
BatchOutcome Batch(RunSteps& session, BatchRequest request);

// "Tasks finished" (or why the batch stopped); on further lines, when anything went wrong, how many items
// were done and which failed or were not run, the first failure, which files were kept under their
// names, which copies took another name and the prefix the file names carry when it had to be changed.
std::string BatchFinishedText(const BatchOutcome& outcome);
// "<done> of <total> items done", then "; failed: ..." and "; not run: ..." with up to five names each.
std::string BatchItemsLine(const BatchOutcome& outcome, int total);
// The lines below the count: the first failure, files kept, copies renamed, the prefix as used.
std::string BatchDetailLines(const BatchOutcome& outcome);

}  // namespace quorvia::query
