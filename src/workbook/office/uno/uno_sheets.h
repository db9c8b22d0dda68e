#pragma once

#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/sheet/XDataPilotTables.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

#include <string>

namespace quorvia::workbook::office {

// Small accessors over a spreadsheet document, shared by the automation and the data binding.
// Positions here are 0-based, as UNO counts.
css::uno::Reference<css::container::XIndexAccess> SheetsOf(
    const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document);
sal_Int32 SheetCountOf(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document);
css::uno::Reference<css::sheet::XSpreadsheet> SheetAt(
    const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document, sal_Int32 index);
// The worksheet whose name equals `name` without regard to letter case. AutomationError when there is
// none, and an error too (never a crash) when the document was closed under the call.
css::uno::Reference<css::sheet::XSpreadsheet> SheetNamedIgnoringCase(
    const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document, const std::string& name);
css::uno::Reference<css::sheet::XDataPilotTables> PivotTablesOf(
    const css::uno::Reference<css::sheet::XSpreadsheet>& sheet);

// The folder of the document's file, or AutomationError when it has none (never saved).
std::string FolderOf(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document);

}  // namespace quorvia::workbook::office
