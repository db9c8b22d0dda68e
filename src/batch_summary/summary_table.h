#pragma once

#include <string>
#include <vector>

#include "query/batch_run.h"
#include "workbook/query_table.h"

namespace quorvia::batch_summary {

// What became of one selected item of a batch.
enum class ItemState { done, failed, notRun };

// One line of a batch summary: an item with the figures of its copy's report, or why it has none.
struct SummaryRow {
  std::string item;
  std::string copy;  // the copy's file name with ".xls"; "" when none was written
  ItemState state = ItemState::notRun;
  std::string reason;  // why the item failed or was not run; "" when done
  bool hasFigures = false;
  long records = 0;              // the rows of the item's change query, as the status label counts them
  double totalArea = 0;          // the sum of the rows' areas: the copy's pivot total
  std::vector<double> byChange;  // area per change type, in the order of SummaryTable::changeTypes
  double share = 0;              // totalArea as a part of the batch total (0..1)
};

// A batch's summary: its change types in the order the report's pivot table lists them, and one row per
// selected item in batch order.
struct SummaryTable {
  std::vector<std::string> changeTypes;
  std::vector<SummaryRow> rows;
  double batchTotal = 0;
  bool partial = false;   // the batch stopped before its last item
  std::string stoppedBy;  // why, when the batch itself said so
  int CopiesWritten() const;
};

// The summary of a batch from the rows each item's report was refreshed with: no query of its own.
SummaryTable BuildSummaryTable(const query::BatchRequest& request, const query::BatchOutcome& outcome);

// The columns' names and each row's cells, as both the CSV and the workbook carry them: item, copy,
// records, total area, one column per change type, share in percent, state, reason. Areas and shares are
// rounded to two decimals; an item without figures has empty figure cells.
std::vector<std::string> SummaryHeader(const SummaryTable& table);
std::vector<std::vector<workbook::QueryValue>> SummaryCells(const SummaryTable& table);
inline constexpr int kFirstChangeColumn = 4;  // 0-based: after item, copy, records and total area

// The summary as CSV text: UTF-8, a header row, comma-separated, fields quoted as RFC 4180 asks (a field
// with a comma, a quote or a line break is quoted, its quotes doubled), CR LF after every record.
std::string SummaryCsv(const SummaryTable& table);
// One CSV field, quoted when it must be.
std::string CsvField(const std::string& text);

// The words of a state as the summary shows them: "done", "failed", "not run".
const char* StateWord(ItemState state);

}  // namespace quorvia::batch_summary
