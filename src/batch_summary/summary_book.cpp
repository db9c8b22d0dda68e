#include "batch_summary/summary_book.h"

#include <cstdio>

#include "query/filters.h"
#include "vocabulary/data_tables.h"

namespace quorvia::batch_summary {
namespace {

std::string Hectares(double area) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", area);
  return text;
}

std::string ChangeColumnLine(const query::BatchRequest& request, const query::Filter* unit) {
  std::string column = request.selection.byReviewedChange ? vocabulary::kReviewedChangeColumn
                                                          : vocabulary::kChangesDatabaseColumn;
  // The data of two countries know only the second change column.
  if (unit != nullptr && unit->kind == query::FilterKind::country) {
    column += std::string(" (") + vocabulary::kChangesDatabaseColumn + " for BE and DE)";
  }
  return column;
}

std::string StateLine(const SummaryTable& table) {
  int notRun = 0;
  for (const auto& row : table.rows) notRun += row.state == ItemState::notRun ? 1 : 0;
  if (!table.partial) return "Complete";
  std::string line = std::string(kPartialMark) + "; " + std::to_string(notRun) + " items not run";
  if (!table.stoppedBy.empty()) line += " (" + table.stoppedBy + ")";
  return line;
}

}  // namespace

workbook::SummaryBook SummaryBookOf(const SummaryTable& table, const query::BatchRequest& request) {
  workbook::SummaryBook book;
  book.title = kSummaryTitle;
  const query::Filter* unit = query::FilterOfUnit(request.unit);
  for (const query::Filter& filter : query::kFilters) {
    const bool isUnit = unit != nullptr && unit->id == filter.id;
    book.cover.emplace_back(filter.coverLabel,
                            isUnit ? "one per item (" + request.unit + ")" : request.selection.*filter.slot);
  }
  book.cover.emplace_back("Change column", ChangeColumnLine(request, unit));
  book.cover.emplace_back("Items", std::to_string(table.rows.size()));
  book.cover.emplace_back("Copies written", std::to_string(table.CopiesWritten()));
  book.cover.emplace_back("Batch total area (ha)", Hectares(table.batchTotal));
  book.cover.emplace_back("State", StateLine(table));

  book.header = SummaryHeader(table);
  book.rows = SummaryCells(table);
  const int changes = static_cast<int>(table.changeTypes.size());
  book.areaColumns.push_back(kFirstChangeColumn - 1);
  for (int c = 0; c < changes; ++c) book.areaColumns.push_back(kFirstChangeColumn + c);
  book.shareColumn = kFirstChangeColumn + changes;
  book.chartLabelColumn = 0;
  book.chartFirstColumn = kFirstChangeColumn;
  book.chartLastColumn = kFirstChangeColumn + changes - 1;
  book.chartTitle = "Area by item and change type (ha)";
  return book;
}

}  // namespace quorvia::batch_summary
