#pragma once

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

#include <optional>

#include "workbook/office/data_binding.h"

namespace quorvia::workbook::office {

// The binding recorded in a sheet, or nothing for an ordinary sheet.
std::optional<DataBinding> BindingOfSheet(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet);

// Refills bound sheet sheetIndex (0-based) from its query in the workbook's folder, then points the pivot
// tables and charts that read that sheet at the new rows, and refreshes those pivot tables when asked.
// AutomationError when the database or query cannot be read; the sheet is then left as it was.
void ReloadBoundSheet(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document,
                      sal_Int32 sheetIndex, const DataBinding& binding, bool refreshPivots);

}  // namespace quorvia::workbook::office
