// The sheets, cells and pivot tables inside a workbook of a LibreOfficeApplication: what a report refresh
// does between opening the workbook and saving it.
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XDataPilotDescriptor.hpp>
#include <com/sun/star/sheet/XDataPilotTable.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>

#include <algorithm>
#include <optional>
#include <string>

#include "db/ascii_case.h"
#include "vocabulary/data_tables.h"
#include "workbook/office/binding/bound_data_sheets.h"
#include "workbook/office/libreoffice_application.h"
#include "workbook/office/libreoffice_call.h"
#include "workbook/office/office_shared.h"
#include "workbook/office/uno/uno_documents.h"
#include "workbook/office/uno/uno_sheets.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/refresh_workbook.h"

namespace quorvia::workbook::office {

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using SheetDocument = Reference<css::sheet::XSpreadsheetDocument>;

int LibreOfficeApplication::SheetCount(const std::string& workbook) {
  const auto document = Workbook(workbook);
  return Guarded(WorkbookStep("Sheets.Count", workbook),
                 [&] { return static_cast<int>(SheetCountOf(document)); });
}

bool LibreOfficeApplication::SheetVisible(const std::string& workbook, int position) {
  const auto document = Workbook(workbook);
  return Guarded(WorkbookStep("Sheets.Visible", workbook),
                 [&] { return IsVisibleSheet(SheetAt(document, position - 1)); });
}

void LibreOfficeApplication::RememberActiveSheet(const SheetDocument& document, sal_Int32 index) {
  const Reference<css::uno::XInterface> key(document, UNO_QUERY);
  std::erase_if(activeSheetWithoutView_, [&](const auto& entry) { return entry.first == key; });
  activeSheetWithoutView_.emplace_back(key, index);
}

std::optional<sal_Int32> LibreOfficeApplication::RememberedActiveSheet(const SheetDocument& document) const {
  const Reference<css::uno::XInterface> key(document, UNO_QUERY);
  for (const auto& [remembered, index] : activeSheetWithoutView_) {
    if (remembered == key) return index;
  }
  return std::nullopt;
}

Reference<css::sheet::XSpreadsheet> LibreOfficeApplication::ActiveSheet(const SheetDocument& document) const {
  if (const auto index = RememberedActiveSheet(document)) return SheetAt(document, *index);
  if (const auto view = ViewOf(document); view.is()) return view->getActiveSheet();
  return SheetAt(document, 0);
}

void LibreOfficeApplication::ShowRememberedActiveSheet(const SheetDocument& document) const {
  const auto index = RememberedActiveSheet(document);
  const auto view = ViewOf(document);
  if (index && view.is()) view->setActiveSheet(SheetAt(document, *index));
}

void LibreOfficeApplication::SelectSheet(const std::string& workbook, int position) {
  const auto document = Workbook(workbook);
  Guarded(WorkbookStep("Sheets.Select", workbook), [&] {
    const auto sheet = SheetAt(document, position - 1);
    if (!IsVisibleSheet(sheet)) throw AutomationError("sheet " + std::to_string(position) + " is hidden");
    // The view of a hidden document we opened follows only when the document is stored: switching it to
    // the sheet with the chart lays the chart out, for nobody to see.
    const auto view = ViewOf(document);
    if (view.is() && !Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->hasControllersLocked()) {
      view->setActiveSheet(sheet);
    } else {
      RememberActiveSheet(document, position - 1);
    }
  });
}

int LibreOfficeApplication::ActiveSheetPosition(const std::string& workbook) {
  const auto document = Workbook(workbook);
  return Guarded(WorkbookStep("ActiveSheet.Index", workbook), [&] {
    const Reference<css::sheet::XCellRangeAddressable> sheet(ActiveSheet(document), UNO_QUERY_THROW);
    return static_cast<int>(sheet->getRangeAddress().Sheet) + 1;
  });
}

int LibreOfficeApplication::ActiveSheetPivotTableCount(const std::string& workbook) {
  const auto document = Workbook(workbook);
  return Guarded(WorkbookStep("ActiveSheet.PivotTables.Count", workbook), [&] {
    return static_cast<int>(
        Reference<css::container::XIndexAccess>(PivotTablesOf(ActiveSheet(document)), UNO_QUERY_THROW)
            ->getCount());
  });
}

void LibreOfficeApplication::RefreshActiveSheetPivotTable(const std::string& workbook, int index) {
  const auto document = Workbook(workbook);
  Guarded(WorkbookStep("PivotTables.RefreshTable", workbook), [&] {
    RequireWritable(document, workbook);
    const Reference<css::container::XIndexAccess> tables(PivotTablesOf(ActiveSheet(document)),
                                                         UNO_QUERY_THROW);
    if (index < 1 || index > tables->getCount()) {
      throw AutomationError("the active sheet has no pivot table " + std::to_string(index));
    }
    const Reference<css::sheet::XDataPilotDescriptor> pivot(tables->getByIndex(index - 1), UNO_QUERY_THROW);
    const sal_Int32 sourceSheet = pivot->getSourceRange().Sheet;
    // A pivot over a bound data sheet reads the rows the run filled it with (FillFilteredSheets). A pivot
    // over anything else would show figures that no selection made, so the report cannot be refreshed.
    const auto binding = sourceSheet >= 0 && sourceSheet < SheetCountOf(document)
                             ? BindingOfSheet(SheetAt(document, sourceSheet))
                             : std::nullopt;
    if (!binding) {
      throw PlainAutomationError(NameOf(document) + " has no data sheet that reads FILTERED; " +
                                 kWriteTemplateAgain);
    }
    Reference<css::sheet::XDataPilotTable>(pivot, UNO_QUERY_THROW)->refresh();
  });
}

void LibreOfficeApplication::WriteCell(const std::string& workbook, const std::string& worksheet,
                                       const std::string& cell, const std::string& text) {
  const auto document = Workbook(workbook);
  Guarded("Range(" + worksheet + "!" + cell + ")", [&] {
    RequireWritable(document, workbook);
    const auto range = SheetNamedIgnoringCase(document, worksheet)->getCellRangeByName(ToOUString(cell));
    const Reference<css::sheet::XCellRangeData> data(range, UNO_QUERY_THROW);
    // Stored as text, never parsed: a selection value such as "=1+1" must not turn into a formula.
    auto array = data->getDataArray();
    for (auto& row : array) {
      for (auto& value : row) value <<= ToOUString(text);
    }
    data->setDataArray(array);
  });
}

void LibreOfficeApplication::RefreshAll(const std::string& workbook) {
  const auto document = Workbook(workbook);
  Guarded(WorkbookStep("RefreshAll", workbook), [&] {
    RequireWritable(document, workbook);
    const sal_Int32 sheetCount = SheetCountOf(document);
    for (sal_Int32 s = 0; s < sheetCount; ++s) {
      const Reference<css::container::XIndexAccess> tables(PivotTablesOf(SheetAt(document, s)),
                                                           UNO_QUERY_THROW);
      for (sal_Int32 t = 0; t < tables->getCount(); ++t) {
        Reference<css::sheet::XDataPilotTable>(tables->getByIndex(t), UNO_QUERY_THROW)->refresh();
      }
    }
  });
}

void LibreOfficeApplication::FillFilteredSheets(const std::string& workbook, const QueryTable& rows) {
  const auto document = Workbook(workbook);
  Guarded(WorkbookStep("FillFilteredSheets", workbook), [&] {
    RequireWritable(document, workbook);
    const sal_Int32 sheetCount = SheetCountOf(document);
    for (sal_Int32 s = 0; s < sheetCount; ++s) {
      const auto binding = BindingOfSheet(SheetAt(document, s));
      if (binding && db::EqualsIgnoringAsciiCase(binding->query, vocabulary::kFilteredQuery)) {
        FillBoundSheet(document, s, rows, false);
      }
    }
  });
}

}  // namespace quorvia::workbook::office
