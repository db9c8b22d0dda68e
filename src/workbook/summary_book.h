#pragma once

#include <string>
#include <utility>
#include <vector>

#include "workbook/query_table.h"

namespace quorvia::workbook {

// A new workbook of two sheets that the office writes from plain values: a cover sheet of labelled lines
// and a data sheet (a header row, then one row per entry) with a stacked column chart beside the table.
struct SummaryBook {
  std::string title;                                       // the cover's first line
  std::vector<std::pair<std::string, std::string>> cover;  // label, text
  std::vector<std::string> header;
  std::vector<std::vector<QueryValue>> rows;
  std::vector<int> areaColumns;  // 0-based columns shown with two decimals
  int shareColumn = -1;          // 0-based column shown as a percentage of 100, or -1
  // The chart: its categories are column `chartLabelColumn`, its stacked series the columns from
  // `chartFirstColumn` to `chartLastColumn` (0-based, both included); no chart when first > last.
  int chartLabelColumn = 0;
  int chartFirstColumn = 0;
  int chartLastColumn = -1;
  std::string chartTitle;
};

// The sheet names of a summary workbook.
inline constexpr const char* kSummaryCoverSheet = "Cover";
inline constexpr const char* kSummaryDataSheet = "Summary";

}  // namespace quorvia::workbook
