#pragma once

#include <com/sun/star/frame/XDesktop2.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "workbook/office/workbook_file/file_stamp.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

class OfficeProcess;
struct OfficeShared;

// One connection to a LibreOffice Calc instance. Workbooks are the spreadsheet documents loaded in it,
// named by their file name. Quit of an office our LibreOfficeSystem started closes every document in it
// and parks it for the next "create an instance"; Quit of any other office merely lets go of the
// connection. Every call is bounded: an office of ours that does not answer in time is ended.
class LibreOfficeApplication final : public SpreadsheetApplication {
 public:
  LibreOfficeApplication(css::uno::Reference<css::uno::XComponentContext> office,
                         std::weak_ptr<OfficeProcess> startedByUs, std::shared_ptr<OfficeShared> shared);
  // Releasing a handle that was created as an instance (not found running) parks our office when no
  // document is left in it, as an instance created for automation ends when released without workbooks.
  ~LibreOfficeApplication() override;
  void ParkWhenReleasedEmpty() noexcept { parkWhenReleasedEmpty_ = true; }

  int WorkbookCount() override;
  std::string WorkbookName(int position) override;
  void SetVisible(bool visible) override;
  void OpenWorkbook(const std::string& path, int updateLinks) override;

  int SheetCount(const std::string& workbook) override;
  bool SheetVisible(const std::string& workbook, int position) override;
  void SelectSheet(const std::string& workbook, int position) override;
  int ActiveSheetPosition(const std::string& workbook) override;
  int ActiveSheetPivotTableCount(const std::string& workbook) override;
  void RefreshActiveSheetPivotTable(const std::string& workbook, int index) override;

  void WriteCell(const std::string& workbook, const std::string& worksheet, const std::string& cell,
                 const std::string& text) override;

  void Save(const std::string& workbook) override;
  void Close(const std::string& workbook) override;
  void Quit() override;
  void RefreshAll(const std::string& workbook) override;
  void SaveCopyAs(const std::string& workbook, const std::string& path) override;
  void FillFilteredSheets(const std::string& workbook, const QueryTable& rows) override;

  // From now on only workbooks loaded from this folder (an absolute, canonical path) count as open.
  void LimitToFolder(const std::string& folder);

  // For tools and tests that need more of the office than the report refresh does.
  css::uno::Reference<css::frame::XDesktop2> Desktop() const;
  css::uno::Reference<css::sheet::XSpreadsheetDocument> Workbook(const std::string& name);

 private:
  std::vector<css::uno::Reference<css::sheet::XSpreadsheetDocument>> LoadedWorkbooks() const;
  // The workbook this handle loaded, while it is still open and answers to the name; nothing otherwise.
  std::optional<css::uno::Reference<css::sheet::XSpreadsheetDocument>> OpenedWorkbookNamed(
      const std::string& name) const;
  css::uno::Reference<css::sheet::XSpreadsheet> ActiveSheet(
      const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document) const;
  void RememberActiveSheet(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document,
                           sal_Int32 index);
  std::optional<sal_Int32> RememberedActiveSheet(
      const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document) const;
  // Brings the view of the document to the sheet selected last, so that the file stores it as active.
  void ShowRememberedActiveSheet(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document) const;
  void EnsureConnected() const;
  bool IsOurs();
  // Runs one call of this handle with its errors translated and its time bounded.
  template <class Call>
  decltype(auto) Guarded(const std::string& step, Call&& call);
  void ForgetDocument(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document);
  void LetGo() noexcept;

  css::uno::Reference<css::uno::XComponentContext> office_;
  css::uno::Reference<css::frame::XDesktop2> desktop_;
  std::weak_ptr<OfficeProcess> startedByUs_;
  std::shared_ptr<OfficeShared> shared_;
  bool parkWhenReleasedEmpty_ = false;
  std::string onlyFolder_;  // empty: every loaded workbook counts
  // The workbook this handle loaded itself: preferred when a name matches several loaded workbooks.
  css::uno::Reference<css::sheet::XSpreadsheetDocument> opened_;
  // Its file as loaded, when that already is the .xls a copy would be: an unchanged workbook is copied
  // byte for byte instead of being written out again.
  struct LoadedFile {
    std::filesystem::path path;
    FileStamp stamp;
  };
  std::optional<LoadedFile> openedFile_;
  bool IsCopyOfFileFaithful(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document) const;

  // A workbook our office saved itself and nobody changed since is opened only when a call needs its
  // content: a copy run (open, copy, close) then copies the file without loading it.
  struct DeferredOpen {
    std::filesystem::path file;
    int updateLinks = 0;
  };
  std::optional<DeferredOpen> deferred_;
  void Load(const std::filesystem::path& file, int updateLinks);
  void LoadDeferred();
  bool IsDeferred(const std::string& workbook) const;
  bool IsUnchangedSinceSaved(const std::filesystem::path& file) const;
  // Active sheet of documents whose view does not follow the selection (0-based index).
  std::vector<std::pair<css::uno::Reference<css::uno::XInterface>, sal_Int32>> activeSheetWithoutView_;
};

}  // namespace quorvia::workbook::office
