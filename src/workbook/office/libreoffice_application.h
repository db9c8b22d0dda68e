#pragma once

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

class OfficeProcess;

// One connection to a LibreOffice Calc instance. Workbooks are the spreadsheet documents loaded in it,
// named by their file name. Quit ends the office only when it was started by our LibreOfficeSystem;
// otherwise it merely lets go of the connection.
class LibreOfficeApplication final : public SpreadsheetApplication {
 public:
  LibreOfficeApplication(css::uno::Reference<css::uno::XComponentContext> office,
                         std::weak_ptr<OfficeProcess> startedByUs);
  ~LibreOfficeApplication() override;

  int WorkbookCount() override;
  std::string WorkbookName(int position) override;
  void SetVisible(bool visible) override;
  void OpenWorkbook(const std::string& path, int updateLinks) override;

  int SheetCount(const std::string& workbook) override;
  bool SheetVisible(const std::string& workbook, int position) override;
  void SelectSheet(const std::string& workbook, int position) override;
  int ActiveSheetPivotTableCount(const std::string& workbook) override;
  void RefreshActiveSheetPivotTable(const std::string& workbook, int index) override;

  void WriteCell(const std::string& workbook, const std::string& worksheet, const std::string& cell,
                 const std::string& text) override;

  void Save(const std::string& workbook) override;
  void Close(const std::string& workbook) override;
  void Quit() override;
  void RefreshAll(const std::string& workbook) override;
  void SaveCopyAs(const std::string& workbook, const std::string& path) override;

  // From now on only workbooks loaded from this folder (an absolute, canonical path) count as open.
  void LimitToFolder(const std::string& folder);

  // For tools and tests that need more of the office than the report refresh does.
  css::uno::Reference<css::uno::XComponentContext> OfficeContext() const;
  css::uno::Reference<css::frame::XDesktop2> Desktop() const;
  css::uno::Reference<css::sheet::XSpreadsheetDocument> Workbook(const std::string& name);

 private:
  std::vector<css::uno::Reference<css::sheet::XSpreadsheetDocument>> LoadedWorkbooks() const;
  css::uno::Reference<css::sheet::XSpreadsheet> ActiveSheet(
      const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document) const;
  void RememberActiveSheet(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document,
                           sal_Int32 index);
  void EnsureConnected() const;

  css::uno::Reference<css::uno::XComponentContext> office_;
  css::uno::Reference<css::frame::XDesktop2> desktop_;
  std::weak_ptr<OfficeProcess> startedByUs_;
  std::string onlyFolder_;  // empty: every loaded workbook counts
  // The workbook this handle loaded itself: preferred when a name matches several loaded workbooks.
  css::uno::Reference<css::sheet::XSpreadsheetDocument> opened_;
  // Active sheet of documents that have no view to remember it (0-based index).
  std::vector<std::pair<css::uno::Reference<css::uno::XInterface>, sal_Int32>> activeSheetWithoutView_;
};

}  // namespace quorvia::workbook::office
