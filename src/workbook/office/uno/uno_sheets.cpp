#include "workbook/office/uno/uno_sheets.h"

#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XDataPilotTablesSupplier.hpp>

#include <filesystem>

#include "workbook/office/uno/uno_text.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

Reference<css::container::XIndexAccess> SheetsOf(
    const Reference<css::sheet::XSpreadsheetDocument>& document) {
  return Reference<css::container::XIndexAccess>(document->getSheets(), UNO_QUERY_THROW);
}

sal_Int32 SheetCountOf(const Reference<css::sheet::XSpreadsheetDocument>& document) {
  return SheetsOf(document)->getCount();
}

Reference<css::sheet::XSpreadsheet> SheetAt(const Reference<css::sheet::XSpreadsheetDocument>& document,
                                            sal_Int32 index) {
  const auto sheets = SheetsOf(document);
  if (index < 0 || index >= sheets->getCount()) {
    throw AutomationError("the workbook has no sheet " + std::to_string(index + 1));
  }
  return Reference<css::sheet::XSpreadsheet>(sheets->getByIndex(index), UNO_QUERY_THROW);
}

Reference<css::sheet::XSpreadsheet> SheetNamedIgnoringCase(
    const Reference<css::sheet::XSpreadsheetDocument>& document, const std::string& name) {
  // A document closed under the call answers with no sheets at all.
  const Reference<css::container::XNameAccess> sheets(document->getSheets(), UNO_QUERY_THROW);
  for (const auto& candidate : sheets->getElementNames()) {
    if (candidate.equalsIgnoreAsciiCase(ToOUString(name))) {
      return Reference<css::sheet::XSpreadsheet>(sheets->getByName(candidate), UNO_QUERY_THROW);
    }
  }
  throw AutomationError("the workbook has no worksheet named \"" + name + "\"");
}

Reference<css::sheet::XDataPilotTables> PivotTablesOf(const Reference<css::sheet::XSpreadsheet>& sheet) {
  return Reference<css::sheet::XDataPilotTables>(
      Reference<css::sheet::XDataPilotTablesSupplier>(sheet, UNO_QUERY_THROW)->getDataPilotTables(),
      UNO_QUERY_THROW);
}

std::string FolderOf(const Reference<css::sheet::XSpreadsheetDocument>& document) {
  const rtl::OUString url = Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getURL();
  if (url.isEmpty()) throw AutomationError("the workbook has never been saved to a file");
  return std::filesystem::path(PathFromFileUrl(url)).parent_path().string();
}

}  // namespace quorvia::workbook::office
