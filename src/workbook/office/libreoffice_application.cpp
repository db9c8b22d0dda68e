#include "workbook/office/libreoffice_application.h"

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/sheet/XSpreadsheetView.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "db/ascii_case.h"
#include "workbook/office/libreoffice_call.h"
#include "workbook/office/log.h"
#include "workbook/office/office_shared.h"
#include "workbook/office/process/canonical_path.h"
#include "workbook/office/process/office_process.h"
#include "workbook/office/report_office.h"
#include "workbook/office/uno/uno_connection.h"
#include "workbook/office/uno/uno_documents.h"
#include "workbook/office/uno/uno_errors.h"
#include "workbook/office/uno/uno_properties.h"
#include "workbook/office/uno/uno_sheets.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/office/workbook_file/office_journal.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"
#include "workbook/refresh_workbook.h"

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
  return CanonicalPath(fs::path(PathFromFileUrl(url)).parent_path()).string();
}

}  // namespace

LibreOfficeApplication::LibreOfficeApplication(Reference<css::uno::XComponentContext> office,
                                               std::weak_ptr<OfficeProcess> startedByUs,
                                               std::shared_ptr<OfficeShared> shared)
    : office_(std::move(office)), startedByUs_(std::move(startedByUs)), shared_(std::move(shared)) {
  desktop_ = DesktopOf(office_);
}

bool LibreOfficeApplication::IsOurs() {
  const auto process = startedByUs_.lock();
  return process && process->Running();
}

LibreOfficeApplication::~LibreOfficeApplication() {
  if (!parkWhenReleasedEmpty_ || !desktop_.is()) return;
  try {
    const bool empty = Guarded("Release", [&] {
      const Reference<css::container::XEnumerationAccess> components(desktop_->getComponents(),
                                                                     UNO_QUERY_THROW);
      return !components->createEnumeration()->hasMoreElements();
    });
    if (empty && IsOurs()) shared_->Park();
  } catch (...) {
    // An office that cannot even be counted stays as it is; the next create checks it again.
    qCWarning(lcOffice, "the office could not count its documents on release: %s",
              CurrentErrorText().c_str());
  }
}

void LibreOfficeApplication::LetGo() noexcept {
  deferred_.reset();
  opened_.clear();
  openedFile_.reset();
  activeSheetWithoutView_.clear();
  desktop_.clear();
  office_.clear();
}

void LibreOfficeApplication::ForgetDocument(const SheetDocument& document) {
  const Reference<css::uno::XInterface> key(document, UNO_QUERY);
  std::erase_if(activeSheetWithoutView_, [&](const auto& entry) { return entry.first == key; });
  if (document == opened_) {
    opened_.clear();
    openedFile_.reset();
  }
}

void LibreOfficeApplication::LimitToFolder(const std::string& folder) { onlyFolder_ = folder; }

void LibreOfficeApplication::EnsureConnected() const {
  if (!desktop_.is()) throw AutomationError("the application has quit");
}

Reference<css::frame::XDesktop2> LibreOfficeApplication::Desktop() const {
  EnsureConnected();
  return desktop_;
}

std::vector<SheetDocument> LibreOfficeApplication::LoadedWorkbooks() const {
  EnsureConnected();
  std::vector<SheetDocument> workbooks;
  const Reference<css::container::XEnumerationAccess> components(desktop_->getComponents(), UNO_QUERY_THROW);
  const auto enumeration = components->createEnumeration();
  while (enumeration.is() && enumeration->hasMoreElements()) {
    const SheetDocument document(enumeration->nextElement(), UNO_QUERY);
    if (document.is() && (onlyFolder_.empty() || LoadedFromFolder(document) == onlyFolder_)) {
      workbooks.push_back(document);
    }
  }
  return workbooks;
}

SheetDocument LibreOfficeApplication::Workbook(const std::string& name) {
  LoadDeferred();
  return Guarded(WorkbookStep("Workbooks", name), [&] {
    if (const auto document = OpenedWorkbookNamed(name)) return *document;
    SheetDocument found;
    for (const auto& document : LoadedWorkbooks()) {
      std::string candidate;
      try {
        candidate = NameOf(document);
      } catch (const css::lang::DisposedException&) {
        continue;  // closed by another client while we looked
      }
      if (!db::EqualsIgnoringAsciiCase(candidate, name)) continue;
      if (document == opened_) return document;
      if (!found.is()) found = document;
    }
    if (!found.is()) throw AutomationError("no open workbook is named \"" + name + "\"");
    return found;
  });
}

std::optional<SheetDocument> LibreOfficeApplication::OpenedWorkbookNamed(const std::string& name) const {
  if (!opened_.is()) return std::nullopt;
  try {
    if (!db::EqualsIgnoringAsciiCase(NameOf(opened_), name)) return std::nullopt;
    if (!onlyFolder_.empty() && LoadedFromFolder(opened_) != onlyFolder_) return std::nullopt;
    return opened_;
  } catch (const css::lang::DisposedException&) {
    return std::nullopt;
  }
}

int LibreOfficeApplication::WorkbookCount() {
  return Guarded("Workbooks.Count",
                 [&] { return static_cast<int>(LoadedWorkbooks().size() + (deferred_ ? 1 : 0)); });
}

std::string LibreOfficeApplication::WorkbookName(int position) {
  return Guarded("Workbooks.Name", [&] {
    const auto workbooks = LoadedWorkbooks();
    const auto index = static_cast<std::size_t>(position);
    if (deferred_ && index == workbooks.size() + 1) return deferred_->file.filename().string();
    if (position < 1 || index > workbooks.size()) {
      throw AutomationError("there is no open workbook " + std::to_string(position));
    }
    return NameOf(workbooks[index - 1]);
  });
}

void LibreOfficeApplication::SetVisible(bool visible) {
  // A headless office has no windows: staying hidden is what it does anyway; showing is impossible.
  if (visible) throw AutomationError("Visible: a headless office cannot show its windows");
}

void LibreOfficeApplication::OpenWorkbook(const std::string& path, int updateLinks) {
  EnsureConnected();
  const fs::path file = fs::absolute(path);
  if (fs::is_directory(file)) {
    throw PlainAutomationError("the workbook " + file.string() +
                               " is a folder, not a file; move the folder away and " + kWriteTemplateAgain);
  }
  if (!fs::is_regular_file(file)) {
    throw PlainAutomationError("the workbook " + file.string() + " does not exist; " + kWriteTemplateAgain);
  }
  RequireSpreadsheetFile(file);
  if (IsOurs()) {
    // Opening a workbook ends a parked state: the office holds a document again.
    shared_->TakeOver();
    const bool held = std::ranges::any_of(LoadedWorkbooks(), [&](const SheetDocument& document) {
      const rtl::OUString url = Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getURL();
      return !url.isEmpty() && fs::path(PathFromFileUrl(url)) == file;
    });
    RemoveLeftoverLockFile(file, shared_->profileDir, held);
    if (shared_->filesOpened.insert(file).second) shared_->journal.RecordFile(file);
  }
  // Only a handle created as an instance for one call defers: any other user of the office must see the
  // workbook loaded.
  if (parkWhenReleasedEmpty_ && IsOurs() && IsUnchangedSinceSaved(file)) {
    deferred_ = DeferredOpen{file, updateLinks};
    return;
  }
  Load(file, updateLinks);
}

void LibreOfficeApplication::Load(const fs::path& file, int updateLinks) {
  Guarded("Open(" + file.string() + ")", [&] {
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
    const bool locked = fs::exists(OfficeLockFileOf(file));
    if (!document.is() ||
        (locked && Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)->isReadonly())) {
      const Reference<css::util::XCloseable> closeable(component, UNO_QUERY);
      if (closeable.is()) closeable->close(true);
      if (locked) throw WorkbookInUseError(WorkbookInUseMessage(file));
      // A load that fails without an exception hands back nothing; that says nothing about the file.
      if (!component.is()) throw AutomationError("the office could not load " + file.filename().string());
      throw AutomationError(file.filename().string() + " is not a spreadsheet workbook");
    }
    if (LoadedAsText(component)) {
      Reference<css::util::XCloseable>(component, UNO_QUERY_THROW)->close(true);
      throw AutomationError(file.filename().string() +
                            " reads as text, not as a spreadsheet workbook; it is left as it is");
    }
    // Nobody looks at a hidden document: its view need not follow every change (switching to the sheet
    // with the chart would otherwise lay the chart out each time).
    Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->lockControllers();
    opened_ = document;
    openedFile_.reset();
    if (const auto stamp = FileStamp::Of(file); stamp && ImportFilterOf(component) == kCopyFilter) {
      openedFile_ = LoadedFile{file, *stamp};
    }
  });
}

bool LibreOfficeApplication::IsUnchangedSinceSaved(const fs::path& file) const {
  const auto saved = shared_->filesSaved.find(file);
  return saved != shared_->filesSaved.end() && FileStamp::Of(file) == saved->second;
}

bool LibreOfficeApplication::IsDeferred(const std::string& workbook) const {
  return deferred_ && db::EqualsIgnoringAsciiCase(deferred_->file.filename().string(), workbook);
}

void LibreOfficeApplication::LoadDeferred() {
  if (!deferred_) return;
  const DeferredOpen open = *deferred_;
  deferred_.reset();
  Load(open.file, open.updateLinks);
}

void LibreOfficeApplication::Save(const std::string& workbook) {
  const auto document = Workbook(workbook);
  Guarded(WorkbookStep("Save", workbook), [&] {
    RequireWritable(document, workbook);
    ShowRememberedActiveSheet(document);
    Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)->store();
    const rtl::OUString url = Reference<css::frame::XModel>(document, UNO_QUERY_THROW)->getURL();
    const fs::path file = PathFromFileUrl(url);
    if (const auto stamp = FileStamp::Of(file);
        stamp && IsOurs() && ImportFilterOf(document) == kCopyFilter) {
      shared_->filesSaved[file] = *stamp;
    }
  });
}

void LibreOfficeApplication::Close(const std::string& workbook) {
  if (IsDeferred(workbook)) {
    deferred_.reset();  // never loaded: nothing to close
    return;
  }
  const auto document = Workbook(workbook);
  Guarded(WorkbookStep("Close", workbook), [&] {
    ForgetDocument(document);
    Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
  });
}

void LibreOfficeApplication::Quit() {
  EnsureConnected();
  const auto process = startedByUs_.lock();
  if (!process || !process->Running()) {
    LetGo();
    return;
  }
  // Our office is not ended but parked: it closes every document and waits idle for the next create.
  // One that cannot close its documents is of no further use and is ended.
  try {
    Guarded("Quit", [&] { CloseAllDocuments(desktop_); });
    shared_->Park();
    LetGo();
  } catch (...) {
    LetGo();
    process->Stop();
    shared_->RemoveLeftoversOfEndedOffice(process->Pid());
    throw;
  }
}

bool LibreOfficeApplication::IsCopyOfFileFaithful(const SheetDocument& document) const {
  if (!openedFile_ || document != opened_ || RememberedActiveSheet(document)) return false;
  if (Reference<css::util::XModifiable>(document, UNO_QUERY_THROW)->isModified()) return false;
  return FileStamp::Of(openedFile_->path) == openedFile_->stamp;
}

void LibreOfficeApplication::SaveCopyAs(const std::string& workbook, const std::string& path) {
  const fs::path target = fs::absolute(path);
  const std::string step = "SaveCopyAs(" + target.string() + ")";
  if (IsDeferred(workbook) && IsUnchangedSinceSaved(deferred_->file)) {
    WriteThroughTemporary(step, target, [&](const std::string& temporary) {
      std::error_code error;
      fs::copy_file(deferred_->file, temporary, fs::copy_options::overwrite_existing, error);
      if (error) throw AutomationError(step + ": " + error.message());
    });
    return;
  }
  const auto document = Workbook(workbook);
  WriteThroughTemporary(step, target, [&](const std::string& temporary) {
    Guarded(step, [&] {
      if (IsCopyOfFileFaithful(document)) {
        fs::copy_file(openedFile_->path, temporary, fs::copy_options::overwrite_existing);
        return;
      }
      const auto arguments =
          Properties({Property("FilterName", Any(rtl::OUString::createFromAscii(kCopyFilter))),
                      Property("Overwrite", Any(true))});
      ShowRememberedActiveSheet(document);
      Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)
          ->storeToURL(FileUrlFromPath(temporary), arguments);
    });
  });
}

}  // namespace quorvia::workbook::office
