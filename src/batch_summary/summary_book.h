#pragma once

#include "batch_summary/summary_table.h"
#include "query/batch_run.h"
#include "workbook/summary_book.h"

namespace quorvia::batch_summary {

// The summary workbook of a batch: on its cover what the items share (the country, the other filters,
// the change column) and how the batch went; on its data sheet the summary's rows, charted as area by
// item stacked by change type.
workbook::SummaryBook SummaryBookOf(const SummaryTable& table, const query::BatchRequest& request);

// The cover's first line, and the words that mark a summary of a batch that stopped early.
inline constexpr const char* kSummaryTitle = "Quorvia batch summary";
inline constexpr const char* kPartialMark = "Partial: the batch stopped before its last item";

}  // namespace quorvia::batch_summary
