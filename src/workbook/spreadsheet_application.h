#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "workbook/query_table.h"
#include "workbook/summary_book.h"

namespace quorvia::workbook {

// Failure of one automation call. RefreshWorkbook abandons the step it belongs to and goes on.
class AutomationError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A failure whose message is meant for the user as it stands: it says in plain words what failed, names
// the file and says what to do; anything technical comes after that.
class PlainAutomationError : public AutomationError {
 public:
  using AutomationError::AutomationError;
};

// The workbook is held by another program, so it may not be changed.
class WorkbookInUseError : public PlainAutomationError {
 public:
  using PlainAutomationError::PlainAutomationError;
};

// A handle on the spreadsheet application and the operations the report refresh needs of it, one member
// per operation. Workbooks are addressed by name, matched without regard to letter case; workbooks in the
// collection, sheets and pivot tables by 1-based position. Every member raises AutomationError on failure.
class SpreadsheetApplication {
 public:
  virtual ~SpreadsheetApplication() = default;

  virtual int WorkbookCount() = 0;                     // Workbooks.Count
  virtual std::string WorkbookName(int position) = 0;  // Workbooks(position).Name: file name without folder
  virtual void SetVisible(bool visible) = 0;           // Visible
  virtual void OpenWorkbook(const std::string& path, int updateLinks) = 0;  // Workbooks.Open

  virtual int SheetCount(const std::string& workbook) = 0;                   // Sheets.Count
  virtual bool SheetVisible(const std::string& workbook, int position) = 0;  // Sheets(position).Visible
  virtual void SelectSheet(const std::string& workbook, int position) = 0;   // Sheets(position).Select
  virtual int ActiveSheetPosition(const std::string& workbook) = 0;          // ActiveSheet.Index
  virtual int ActiveSheetPivotTableCount(const std::string& workbook) = 0;   // ActiveSheet.PivotTables.Count
  virtual void RefreshActiveSheetPivotTable(const std::string& workbook, int index) = 0;  // .RefreshTable

  // Worksheets(worksheet).Range(cell) = text
  virtual void WriteCell(const std::string& workbook, const std::string& worksheet, const std::string& cell,
                         const std::string& text) = 0;

  virtual void Save(const std::string& workbook) = 0;
  virtual void Close(const std::string& workbook) = 0;  // no save option, no file name
  virtual void Quit() = 0;                              // ends the instance (only one this program started)
  virtual void RefreshAll(const std::string& workbook) = 0;
  // Fills every data sheet of the workbook that shows FILTERED with `rows` (header row, then the rows), and
  // points the pivot tables and charts that read it at them; the pivot tables are refreshed afterwards by
  // the calls above. The rows are the ones the program has just read: the workbook reads no database.
  // A workbook whose sheets hold no such data has nothing to fill.
  virtual void FillFilteredSheets(const std::string& workbook, const QueryTable& rows) {
    (void)workbook, (void)rows;
  }
  virtual void SaveCopyAs(const std::string& workbook, const std::string& path) = 0;
};

// The system side: finding a running instance or creating one.
class SpreadsheetSystem {
 public:
  virtual ~SpreadsheetSystem() = default;
  // AutomationError when no instance runs.
  virtual std::unique_ptr<SpreadsheetApplication> GetRunningInstance() = 0;
  virtual std::unique_ptr<SpreadsheetApplication> CreateInstance() = 0;

  // Writes `book` as a new .xls workbook at `path` (through a temporary file in its folder, renamed over
  // the target), in the office that refreshes the report. AutomationError when that cannot be done.
  virtual void WriteSummaryWorkbook(const std::string& path, const SummaryBook& book) {
    (void)book;
    throw AutomationError("this spreadsheet application cannot write the workbook " + path);
  }
  // Writes the printed pages of the workbook file `workbookPath` (every visible sheet with its own page
  // style) as one PDF file at `pdfPath`, through a temporary file. AutomationError on failure.
  virtual void ExportPdf(const std::string& workbookPath, const std::string& pdfPath) {
    throw AutomationError("this spreadsheet application cannot write " + pdfPath + " from " + workbookPath);
  }
  // Why the workbook at `path` cannot be refreshed and saved, as far as that shows before any work on it:
  // in plain words, naming the file and what to do; "" when nothing is seen to stand in the way. A run asks
  // before it changes anything. A system whose workbooks are no files sees nothing.
  virtual std::string WorkbookProblem(const std::string& path) {
    (void)path;
    return {};
  }
};

}  // namespace quorvia::workbook
