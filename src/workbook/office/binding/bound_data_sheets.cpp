#include "workbook/office/binding/bound_data_sheets.h"

#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XDataPilotDescriptor.hpp>
#include <com/sun/star/sheet/XDataPilotTable.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XTableChart.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/text/XText.hpp>

#include <algorithm>

#include "workbook/office/uno/uno_documents.h"
#include "workbook/office/uno/uno_sheets.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

Any ToAny(const QueryValue& value) {
  if (const auto* number = std::get_if<double>(&value)) return Any(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return Any(ToOUString(*text));
  return Any();  // an empty cell
}

Sequence<Sequence<Any>> ToDataArray(const QueryTable& table) {
  Sequence<Sequence<Any>> data(static_cast<sal_Int32>(table.rows.size() + 1));
  auto* rows = data.getArray();
  Sequence<Any> header(static_cast<sal_Int32>(table.columns.size()));
  std::transform(table.columns.begin(), table.columns.end(), header.getArray(),
                 [](const std::string& name) { return Any(ToOUString(name)); });
  rows[0] = header;
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    Sequence<Any> row(static_cast<sal_Int32>(table.rows[r].size()));
    std::transform(table.rows[r].begin(), table.rows[r].end(), row.getArray(), ToAny);
    rows[r + 1] = row;
  }
  return data;
}

// Clears every cell a bound query may have filled before, so that a smaller result leaves no old rows.
void ClearDataArea(const Reference<css::sheet::XSpreadsheet>& sheet) {
  using namespace css::sheet::CellFlags;
  const auto area = sheet->getCellRangeByPosition(0, 0, kMaxBoundColumns - 1, kMaxBoundDataRows);
  Reference<css::sheet::XSheetOperation>(area, UNO_QUERY_THROW)
      ->clearContents(VALUE | DATETIME | STRING | FORMULA);
}

void WriteTable(const Reference<css::sheet::XSpreadsheet>& sheet, const QueryTable& table) {
  ClearDataArea(sheet);
  const auto target = sheet->getCellRangeByPosition(0, 0, static_cast<sal_Int32>(table.columns.size()) - 1,
                                                    static_cast<sal_Int32>(table.rows.size()));
  Reference<css::sheet::XCellRangeData>(target, UNO_QUERY_THROW)->setDataArray(ToDataArray(table));
}

void ResizePivots(const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 boundSheet, sal_Int32 lastRow,
                  bool refresh) {
  const auto tables = PivotTablesOf(sheet);
  for (const auto& name : tables->getElementNames()) {
    const Reference<css::sheet::XDataPilotDescriptor> pivot(tables->getByName(name), UNO_QUERY_THROW);
    auto source = pivot->getSourceRange();
    if (source.Sheet != boundSheet) continue;
    source.EndRow = std::max(lastRow, source.StartRow + 1);
    pivot->setSourceRange(source);
    if (refresh) Reference<css::sheet::XDataPilotTable>(pivot, UNO_QUERY_THROW)->refresh();
  }
}

void ResizeCharts(const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 boundSheet, sal_Int32 lastRow) {
  const Reference<css::table::XTableChartsSupplier> supplier(sheet, UNO_QUERY);
  if (!supplier.is()) return;
  const Reference<css::container::XNameAccess> charts(supplier->getCharts(), UNO_QUERY_THROW);
  for (const auto& name : charts->getElementNames()) {
    const Reference<css::table::XTableChart> chart(charts->getByName(name), UNO_QUERY_THROW);
    auto ranges = chart->getRanges();
    bool changed = false;
    for (auto& range : ranges) {
      if (range.Sheet != boundSheet) continue;
      range.EndRow = std::max(lastRow, range.StartRow);
      changed = true;
    }
    if (changed) chart->setRanges(ranges);
  }
}

// A result is never cut short silently: rows beyond what an .xls sheet holds refuse the whole fill.
void RequireSheetHolds(const Reference<css::sheet::XSpreadsheetDocument>& document, const QueryTable& table) {
  std::string why;
  if (table.columns.empty() || table.columns.size() > kMaxBoundColumns) {
    why = std::to_string(table.columns.size()) + " columns, not 1 to " + std::to_string(kMaxBoundColumns);
  } else if (table.rows.size() > kMaxBoundDataRows) {
    why = "the result has more than " + std::to_string(kMaxBoundDataRows) +
          " rows, more than a sheet of the workbook holds";
  }
  if (!why.empty()) throw PlainAutomationError("cannot show FILTERED in " + NameOf(document) + ": " + why);
}

}  // namespace

std::optional<DataBinding> BindingOfSheet(const Reference<css::sheet::XSpreadsheet>& sheet) {
  const auto cell = sheet->getCellByPosition(kBindingRecordColumn, kBindingRecordRow);
  const Reference<css::text::XText> text(cell, UNO_QUERY_THROW);
  return ParseBindingRecord(ToUtf8(text->getString()));
}

void FillBoundSheet(const Reference<css::sheet::XSpreadsheetDocument>& document, sal_Int32 sheetIndex,
                    const QueryTable& table, bool refreshPivots) {
  RequireSheetHolds(document, table);
  WriteTable(SheetAt(document, sheetIndex), table);
  const auto lastRow = static_cast<sal_Int32>(table.rows.size());
  const sal_Int32 sheetCount = SheetCountOf(document);
  for (sal_Int32 s = 0; s < sheetCount; ++s) {
    const auto sheet = SheetAt(document, s);
    ResizePivots(sheet, sheetIndex, lastRow, refreshPivots);
    ResizeCharts(sheet, sheetIndex, lastRow);
  }
}

}  // namespace quorvia::workbook::office
