#pragma once

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>

#include <string>

namespace quorvia::workbook::office {

// What the office tells about a loaded spreadsheet document, and what it does to all of them.

// The filter with which the office reads and writes an .xls workbook.
inline constexpr const char* kCopyFilter = "MS Excel 97";

// The file name of the document, or its title when it has no file.
std::string NameOf(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document);
bool IsVisibleSheet(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet);
// The view of the document, or nothing when it has none.
css::uno::Reference<css::sheet::XSpreadsheetView> ViewOf(
    const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document);
// A document opened read-only (another program's lock file, or a file we may not write) refuses every
// change; AutomationError saying so beats the office's bare "cannot modify" error.
void RequireWritable(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document,
                     const std::string& workbook);
// The import filter the office chose for a loaded document; empty when it tells none.
std::string ImportFilterOf(const css::uno::Reference<css::uno::XInterface>& component);
// True when the office read the document through a text filter (CSV, plain text, HTML): it would be saved
// back as text.
bool LoadedAsText(const css::uno::Reference<css::uno::XInterface>& component);
// Closes every document loaded in the office without saving. AutomationError when one cannot be closed.
void CloseAllDocuments(const css::uno::Reference<css::frame::XDesktop2>& desktop);

}  // namespace quorvia::workbook::office
