#pragma once

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

#include <optional>
#include <string>

#include "workbook/office/binding/data_binding.h"
#include "workbook/query_table.h"

namespace quorvia::workbook::office {

// The binding recorded in a sheet, or nothing for an ordinary sheet.
std::optional<DataBinding> BindingOfSheet(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet);

// Fills bound sheet sheetIndex (0-based) with `rows`, the rows of its query as the program has just read
// them, then points the pivot tables and charts that read that sheet at the new rows, and refreshes those
// pivot tables when asked. PlainAutomationError, naming the workbook, when the rows are more than a sheet
// holds; the sheet is then left as it was.
void FillBoundSheet(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document,
                    sal_Int32 sheetIndex, const QueryTable& rows, bool refreshPivots);

}  // namespace quorvia::workbook::office
