#include "workbook/office/libreoffice_application.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XDataPilotDescriptor.hpp>
#include <com/sun/star/sheet/XDataPilotTable.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>

#include "db/ascii_case.h"
#include "workbook/office/bound_data_sheets.h"
#include "workbook/office/office_process.h"
#include "workbook/office/report_office.h"
#include "workbook/office/uno_connection.h"
#include "workbook/office/uno_errors.h"
#include "workbook/office/uno_properties.h"
#include "workbook/office/uno_sheets.h"
#include "workbook/office/uno_text.h"

namespace quorvia::workbook::office {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using SheetDocument = Reference<css::sheet::XSpreadsheetDocument>;
namespace fs = std::filesystem;

namespace {

std::string LoadedFromFolder(const SheetDocument& document) {
  const rtl::OUString url = Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getURL();
  if (url.isEmpty()) return {};
  const fs::path folder = fs::path(PathFromFileUrl(url)).parent_path();
  std::error_code error;
  const fs::path canonical = fs::weakly_canonical(folder, error);
  return (error ? folder : canonical).string();
}

std::string NameOf(const SheetDocument& document) {
  const rtl::OUString url = Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getURL();
  if (!url.isEmpty()) return fs::path(PathFromFileUrl(url)).filename().string();
  const Reference<css::frame::XTitle> title(document, UNO_QUERY);
  return title.is() ? ToUtf8(title->getTitle()) : std::string();
}

std::string WorkbookStep(const char* operation, const std::string& workbook) {
  return std::string(operation) + "(" + workbook + ")";
}

bool IsVisibleSheet(const Reference<css::sheet::XSpreadsheet>& sheet) {
  bool visible = true;
  Reference<css::beans::XPropertySet>(sheet, UNO_QUERY_THROW)->getPropertyValue("IsVisible") >>= visible;
  return visible;
}

Reference<css::sheet::XSpreadsheetView> ViewOf(const SheetDocument& document) {
  const auto controller = Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getCurrentController();
  return Reference<css::sheet::XSpreadsheetView>(controller, UNO_QUERY);
}

Reference<css::sheet::XSpreadsheet> SheetByNameIgnoringCase(const SheetDocument& document,
                                                            const std::string& name) {
  const auto sheets = document->getSheets();
  for (const auto& candidate : sheets->getElementNames()) {
    if (candidate.equalsIgnoreAsciiCase(ToOUString(name))) {
      return Reference<css::sheet::XSpreadsheet>(sheets->getByName(candidate), UNO_QUERY_THROW);
    }
  }
  throw AutomationError("the workbook has no worksheet named \"" + name + "\"");
}

// A document opened read-only (another program's lock file, or a file we may not write) refuses every
// change; saying so beats the office's bare "cannot modify" error.
void RequireWritable(const SheetDocument& document, const std::string& workbook) {
  if (Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)->isReadonly()) {
    throw AutomationError("the workbook " + workbook +
                          " is open read-only (locked by another program or not writable)");
  }
}

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

// A unique, empty file beside the target, readable like any file the user creates.
std::string CreateTemporaryBeside(const fs::path& target) {
  std::string pattern = (target.parent_path() / (".~quorvia-copy-XXXXXX")).string();
  const int fd = mkstemp(pattern.data());
  if (fd < 0) {
    throw AutomationError("cannot write in " + target.parent_path().string() + ": " + std::strerror(errno));
  }
  fchmod(fd, 0666 & ~CurrentUmask());
  close(fd);
  return pattern;
}

}  // namespace

LibreOfficeApplication::LibreOfficeApplication(Reference<css::uno::XComponentContext> office,
                                               std::weak_ptr<OfficeProcess> startedByUs)
    : office_(std::move(office)), startedByUs_(std::move(startedByUs)) {
  desktop_ = DesktopOf(office_);
}

LibreOfficeApplication::~LibreOfficeApplication() = default;

void LibreOfficeApplication::LimitToFolder(const std::string& folder) { onlyFolder_ = folder; }

void LibreOfficeApplication::EnsureConnected() const {
  if (!desktop_.is()) throw AutomationError("the application has quit");
}

Reference<css::uno::XComponentContext> LibreOfficeApplication::OfficeContext() const { return office_; }

Reference<css::frame::XDesktop2> LibreOfficeApplication::Desktop() const {
  EnsureConnected();
  return desktop_;
}

std::vector<SheetDocument> LibreOfficeApplication::LoadedWorkbooks() const {
  EnsureConnected();
  std::vector<SheetDocument> workbooks;
  const auto enumeration = desktop_->getComponents()->createEnumeration();
  while (enumeration->hasMoreElements()) {
    const SheetDocument document(enumeration->nextElement(), UNO_QUERY);
    if (document.is() && (onlyFolder_.empty() || LoadedFromFolder(document) == onlyFolder_)) {
      workbooks.push_back(document);
    }
  }
  return workbooks;
}

SheetDocument LibreOfficeApplication::Workbook(const std::string& name) {
  return TranslatingUnoErrors(WorkbookStep("Workbooks", name), [&] {
    SheetDocument found;
    for (const auto& document : LoadedWorkbooks()) {
      if (!db::EqualsIgnoringAsciiCase(NameOf(document), name)) continue;
      if (document == opened_) return document;
      if (!found.is()) found = document;
    }
    if (!found.is()) throw AutomationError("no open workbook is named \"" + name + "\"");
    return found;
  });
}

int LibreOfficeApplication::WorkbookCount() {
  return TranslatingUnoErrors("Workbooks.Count", [&] { return static_cast<int>(LoadedWorkbooks().size()); });
}

std::string LibreOfficeApplication::WorkbookName(int position) {
  return TranslatingUnoErrors("Workbooks.Name", [&] {
    const auto workbooks = LoadedWorkbooks();
    if (position < 1 || static_cast<std::size_t>(position) > workbooks.size()) {
      throw AutomationError("there is no open workbook " + std::to_string(position));
    }
    return NameOf(workbooks[static_cast<std::size_t>(position) - 1]);
  });
}

void LibreOfficeApplication::SetVisible(bool visible) {
  // A headless office has no windows: staying hidden is what it does anyway; showing is impossible.
  if (visible) throw AutomationError("Visible: a headless office cannot show its windows");
}

void LibreOfficeApplication::OpenWorkbook(const std::string& path, int updateLinks) {
  EnsureConnected();
  const fs::path file = fs::absolute(path);
  if (!fs::is_regular_file(file))
    throw AutomationError("Open: the workbook " + file.string() + " does not exist");
  TranslatingUnoErrors("Open(" + file.string() + ")", [&] {
    const auto arguments = Properties(
        {Property("Hidden", Any(true)),
         Property("MacroExecutionMode", Any(css::document::MacroExecMode::NEVER_EXECUTE)),
         Property("UpdateDocMode", Any(updateLinks == 0 ? css::document::UpdateDocMode::NO_UPDATE
                                                        : css::document::UpdateDocMode::QUIET_UPDATE))});
    const auto component =
        desktop_->loadComponentFromURL(FileUrlFromPath(file.string()), "_blank", 0, arguments);
    const SheetDocument document(component, UNO_QUERY);
    // Another program's lock makes the office either refuse the file (a lock of this very user) or open it
    // read-only without a word. Nothing could be saved, so the workbook is let go at once and the user is
    // told that another program holds it.
    const bool locked = fs::exists(LockFileOf(file.string()));
    if (!document.is() ||
        (locked && Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)->isReadonly())) {
      const Reference<css::util::XCloseable> closeable(component, UNO_QUERY);
      if (closeable.is()) closeable->close(true);
      if (locked) throw WorkbookInUseError(WorkbookInUseMessage(file.filename().string()));
      throw AutomationError("Open: " + file.string() + " is not a spreadsheet workbook");
    }
    opened_ = document;
  });
}

int LibreOfficeApplication::SheetCount(const std::string& workbook) {
  const auto document = Workbook(workbook);
  return TranslatingUnoErrors(WorkbookStep("Sheets.Count", workbook),
                              [&] { return static_cast<int>(SheetCountOf(document)); });
}

bool LibreOfficeApplication::SheetVisible(const std::string& workbook, int position) {
  const auto document = Workbook(workbook);
  return TranslatingUnoErrors(WorkbookStep("Sheets.Visible", workbook),
                              [&] { return IsVisibleSheet(SheetAt(document, position - 1)); });
}

void LibreOfficeApplication::RememberActiveSheet(const SheetDocument& document, sal_Int32 index) {
  const Reference<css::uno::XInterface> key(document, UNO_QUERY);
  std::erase_if(activeSheetWithoutView_, [&](const auto& entry) { return entry.first == key; });
  activeSheetWithoutView_.emplace_back(key, index);
}

Reference<css::sheet::XSpreadsheet> LibreOfficeApplication::ActiveSheet(const SheetDocument& document) const {
  if (const auto view = ViewOf(document); view.is()) return view->getActiveSheet();
  const Reference<css::uno::XInterface> key(document, UNO_QUERY);
  for (const auto& [remembered, index] : activeSheetWithoutView_) {
    if (remembered == key) return SheetAt(document, index);
  }
  return SheetAt(document, 0);
}

void LibreOfficeApplication::SelectSheet(const std::string& workbook, int position) {
  const auto document = Workbook(workbook);
  TranslatingUnoErrors(WorkbookStep("Sheets.Select", workbook), [&] {
    const auto sheet = SheetAt(document, position - 1);
    if (!IsVisibleSheet(sheet)) throw AutomationError("sheet " + std::to_string(position) + " is hidden");
    if (const auto view = ViewOf(document); view.is()) {
      view->setActiveSheet(sheet);
    } else {
      RememberActiveSheet(document, position - 1);
    }
  });
}

int LibreOfficeApplication::ActiveSheetPivotTableCount(const std::string& workbook) {
  const auto document = Workbook(workbook);
  return TranslatingUnoErrors(WorkbookStep("ActiveSheet.PivotTables.Count", workbook), [&] {
    return static_cast<int>(
        Reference<css::container::XIndexAccess>(PivotTablesOf(ActiveSheet(document)), UNO_QUERY_THROW)
            ->getCount());
  });
}

void LibreOfficeApplication::RefreshActiveSheetPivotTable(const std::string& workbook, int index) {
  const auto document = Workbook(workbook);
  TranslatingUnoErrors(WorkbookStep("PivotTables.RefreshTable", workbook), [&] {
    RequireWritable(document, workbook);
    const Reference<css::container::XIndexAccess> tables(PivotTablesOf(ActiveSheet(document)),
                                                         UNO_QUERY_THROW);
    if (index < 1 || index > tables->getCount()) {
      throw AutomationError("the active sheet has no pivot table " + std::to_string(index));
    }
    const Reference<css::sheet::XDataPilotDescriptor> pivot(tables->getByIndex(index - 1), UNO_QUERY_THROW);
    const sal_Int32 sourceSheet = pivot->getSourceRange().Sheet;
    // A pivot over a bound data sheet reads the database: the sheet is reloaded first, as the
    // application's own data connection would do.
    if (const auto binding = BindingOfSheet(SheetAt(document, sourceSheet))) {
      ReloadBoundSheet(document, sourceSheet, *binding, false);
    }
    Reference<css::sheet::XDataPilotTable>(pivot, UNO_QUERY_THROW)->refresh();
  });
}

void LibreOfficeApplication::WriteCell(const std::string& workbook, const std::string& worksheet,
                                       const std::string& cell, const std::string& text) {
  const auto document = Workbook(workbook);
  TranslatingUnoErrors("Range(" + worksheet + "!" + cell + ")", [&] {
    RequireWritable(document, workbook);
    const auto range = SheetByNameIgnoringCase(document, worksheet)->getCellRangeByName(ToOUString(cell));
    const Reference<css::sheet::XCellRangeData> data(range, UNO_QUERY_THROW);
    // Stored as text, never parsed: a selection value such as "=1+1" must not turn into a formula.
    auto array = data->getDataArray();
    for (auto& row : array) {
      for (auto& value : row) value <<= ToOUString(text);
    }
    data->setDataArray(array);
  });
}

void LibreOfficeApplication::Save(const std::string& workbook) {
  const auto document = Workbook(workbook);
  TranslatingUnoErrors(WorkbookStep("Save", workbook), [&] {
    RequireWritable(document, workbook);
    Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)->store();
  });
}

void LibreOfficeApplication::Close(const std::string& workbook) {
  const auto document = Workbook(workbook);
  TranslatingUnoErrors(WorkbookStep("Close", workbook), [&] {
    const Reference<css::uno::XInterface> key(document, UNO_QUERY);
    std::erase_if(activeSheetWithoutView_, [&](const auto& entry) { return entry.first == key; });
    if (document == opened_) opened_.clear();
    Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
  });
}

void LibreOfficeApplication::Quit() {
  EnsureConnected();
  const auto process = startedByUs_.lock();
  const bool ours = process && process->Running();
  if (ours) {
    try {
      desktop_->terminate();
    } catch (const css::uno::Exception&) {
      // The connection goes down with the office; the exit below is what counts.
    }
  }
  opened_.clear();
  activeSheetWithoutView_.clear();
  desktop_.clear();
  office_.clear();
  if (ours && !process->WaitForExit(std::chrono::seconds(10))) process->Stop();
}

void LibreOfficeApplication::RefreshAll(const std::string& workbook) {
  const auto document = Workbook(workbook);
  TranslatingUnoErrors(WorkbookStep("RefreshAll", workbook), [&] {
    RequireWritable(document, workbook);
    const sal_Int32 sheetCount = SheetCountOf(document);
    for (sal_Int32 s = 0; s < sheetCount; ++s) {
      if (const auto binding = BindingOfSheet(SheetAt(document, s)))
        ReloadBoundSheet(document, s, *binding, false);
    }
    for (sal_Int32 s = 0; s < sheetCount; ++s) {
      const Reference<css::container::XIndexAccess> tables(PivotTablesOf(SheetAt(document, s)),
                                                           UNO_QUERY_THROW);
      for (sal_Int32 t = 0; t < tables->getCount(); ++t) {
        Reference<css::sheet::XDataPilotTable>(tables->getByIndex(t), UNO_QUERY_THROW)->refresh();
      }
    }
  });
}

void LibreOfficeApplication::SaveCopyAs(const std::string& workbook, const std::string& path) {
  const auto document = Workbook(workbook);
  const fs::path target = fs::absolute(path);
  const std::string step = "SaveCopyAs(" + target.string() + ")";
  // Written under a temporary name and renamed, so a failed copy never leaves a half-written file.
  const std::string temporary = CreateTemporaryBeside(target);
  try {
    TranslatingUnoErrors(step, [&] {
      const auto arguments = Properties(
          {Property("FilterName", Any(rtl::OUString("MS Excel 97"))), Property("Overwrite", Any(true))});
      Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)
          ->storeToURL(FileUrlFromPath(temporary), arguments);
    });
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) throw AutomationError(step + ": " + error.message());
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
}

}  // namespace quorvia::workbook::office
