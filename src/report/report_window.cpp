#include "report/report_window.h"

#include <com/sun/star/awt/XTopWindow.hpp>
#include <com/sun/star/awt/XTopWindow2.hpp>
#include <com/sun/star/awt/XWindow2.hpp>
#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/frame/XTitle.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <cstdlib>
#include <filesystem>

#include "folder_lock/folder_lock.h"
#include "report/log.h"
#include "report/report_profile.h"
#include "vocabulary/file_names.h"
#include "vocabulary/template_words.h"
#include "workbook/office/process/canonical_path.h"
#include "workbook/office/process/office_options.h"
#include "workbook/office/process/office_process.h"
#include "workbook/office/process/office_processes.h"
#include "workbook/office/report_office.h"
#include "workbook/office/uno/uno_connection.h"
#include "workbook/office/uno/uno_properties.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"
#include "workbook/refresh_workbook.h"

namespace quorvia::report {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;
using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

// The report office's profile: the one asked for, else the report profile in the user's cache.
std::string ProfileDir(const ReportRequest& request) {
  return request.profileDir ? fs::absolute(*request.profileDir).string() : ReportProfileFolder().string();
}

void RequireDisplay() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') return;
  }
  throw ReportError("no display: the report is shown in a window on your desktop, so start " +
                    std::string(office::kReportProgram) + " from a desktop session");
}

// A lock that an ended office left is removed; any other keeps the report from opening.
void RefuseWhenLocked(const fs::path& workbook) {
  const auto lock = office::LiveLockFileOf(workbook);
  if (!lock) return;
  throw ReportError(workbook.filename().string() + " is open in " + office::LockHolder(*lock) +
                    ". Close it there, then run " + office::kReportProgram + " again. Its lock file " +
                    lock->string() + " can be deleted once the program that holds the workbook is closed.");
}

std::unique_ptr<office::LibreOfficeApplication> TryConnect(const std::string& folder) {
  try {
    return office::ConnectToReportOffice(folder);
  } catch (const office::NoOfficeError& error) {
    qCDebug(lcReport, "no report office runs for %s yet: %s", folder.c_str(), error.what());
    return nullptr;
  }
}

// The Debian build of Calc without windows (-nogui) lacks its dialog library; showing a workbook with it
// ends the office at once.
void RequireCalcWithWindows() {
  if (fs::exists(fs::path(QUORVIA_LO_PROGRAM_DIR) / "libscuilo.so")) return;
  throw ReportError(
      "LibreOffice Calc is installed without its windows (the -nogui build). Install the Debian package "
      "libreoffice-calc, then run " +
      std::string(office::kReportProgram) + " again.");
}

// What keeps the office on `profile` from answering: the office process that holds the profile, if any.
std::string NotAnsweringMessage(const std::string& profile) {
  const auto holder = office::OfficeUsingProfile(office::ToUtf8(office::FileUrlFromPath(profile)));
  if (!holder) {
    return "LibreOffice did not answer in time; close it and run " + std::string(office::kReportProgram) +
           " again.";
  }
  return "LibreOffice (process " + std::to_string(holder->pid) + "), which holds the report profile " +
         profile + ", did not answer in time. Close its windows (or end process " +
         std::to_string(holder->pid) + "), then run " + office::kReportProgram + " again.";
}

// One quorvia-report at a time sets the profile up and starts its office; a second one waits for it.
folder_lock::FolderLock LockProfile(const std::string& profile, std::chrono::milliseconds bound) {
  std::error_code error;
  fs::create_directories(profile, error);
  try {
    if (auto lock = folder_lock::FolderLock::Take(profile, bound, {})) return std::move(*lock);
  } catch (const std::system_error& failure) {
    throw ReportError("cannot use the report profile " + profile + ": " + failure.what());
  }
  throw ReportError("another " + std::string(office::kReportProgram) +
                    " is still starting the report office on " + profile + "; run it again in a moment.");
}

// The visible office of the folder, started through the same process code as Quorvia's own office (one
// profile set-up, one answer to the office's request to be started again), but detached: it is the user's.
// When the report office already runs for other folders, the start hands the folder's pipe over to it, so
// that one office shows every folder's report.
std::unique_ptr<office::LibreOfficeApplication> StartReportOffice(const ReportRequest& request) {
  const std::string profile = ProfileDir(request);
  auto options =
      office::OfficeOptions::VisibleDetached(office::ReportOfficePipeName(request.folder), profile);
  options.startTimeout = request.startTimeout;
  try {
    const auto lock = LockProfile(profile, request.startTimeout);
    PrepareReportProfile(options);
    std::shared_ptr<office::OfficeProcess> process = office::OfficeProcess::Start(options);
    return office::AwaitListening(process, options,
                                  [&] { return office::ConnectToReportOffice(request.folder); });
  } catch (const office::OfficeStartError& error) {
    switch (error.WhyNot()) {
      case office::OfficeStartError::Reason::ProfileNotSetUpInTime:
        throw ReportError("LibreOffice did not set up the report profile " + profile + " in time.");
      case office::OfficeStartError::Reason::EndedWhileStarting:
        throw ReportError("LibreOffice ended while starting (status " + std::to_string(error.Status()) +
                          "); is LibreOffice Calc installed? Install the Debian package libreoffice-calc.");
      case office::OfficeStartError::Reason::NotListeningInTime:
        break;
    }
    throw ReportError(NotAnsweringMessage(profile));
  }
}

Reference<css::frame::XModel> ShownWorkbook(office::LibreOfficeApplication& office) {
  try {
    return Reference<css::frame::XModel>(office.Workbook(vocabulary::kReportFileName), UNO_QUERY);
  } catch (const workbook::AutomationError& error) {
    qCDebug(lcReport, "the report office does not show the report: %s", error.what());
    return nullptr;
  }
}

Reference<css::frame::XModel> LoadVisible(office::LibreOfficeApplication& office, const fs::path& workbook) {
  RefuseWhenLocked(workbook);
  const auto arguments = office::Properties({office::Property("Hidden", css::uno::Any(false))});
  const Reference<css::frame::XModel> model(
      office.Desktop()->loadComponentFromURL(office::FileUrlFromPath(workbook.string()), "_default", 0,
                                             arguments),
      UNO_QUERY);
  if (!model.is()) throw ReportError(workbook.string() + " could not be opened as a workbook.");
  if (Reference<css::frame::XStorable>(model, UNO_QUERY_THROW)->isReadonly()) {
    Reference<css::util::XCloseable>(model, UNO_QUERY_THROW)->close(true);
    RefuseWhenLocked(workbook);
    throw ReportError(workbook.string() +
                      " is read-only: Quorvia could not save it. Make it writable first.");
  }
  return model;
}

Reference<css::awt::XWindow> WindowOf(const Reference<css::frame::XModel>& model) {
  const auto controller = model->getCurrentController();
  if (!controller.is() || !controller->getFrame().is()) return nullptr;
  return controller->getFrame()->getContainerWindow();
}

// Reports of several folders are open at once: each window says whose it is.
void TitleWithFolder(const Reference<css::frame::XModel>& model, const fs::path& workbook) {
  const auto controller = model->getCurrentController();
  if (!controller.is()) return;
  const Reference<css::frame::XTitle> title(controller->getFrame(), UNO_QUERY);
  if (title.is()) title->setTitle(office::ToOUString(ReportWindowTitle(workbook.parent_path().string())));
}

void BringToFront(const Reference<css::frame::XModel>& model) {
  const auto window = WindowOf(model);
  if (!window.is()) throw ReportError("the report has no window to show");
  window->setVisible(true);
  if (const Reference<css::awt::XTopWindow2> top(window, UNO_QUERY); top.is() && top->getIsMinimized()) {
    top->setIsMinimized(false);
  }
  if (const Reference<css::awt::XTopWindow> top(window, UNO_QUERY); top.is()) top->toFront();
  window->setFocus();
}

}  // namespace

ReportShown ShowReport(const ReportRequest& request) {
  const fs::path workbook = office::CanonicalPath(request.folder) / vocabulary::kReportFileName;
  if (!fs::is_regular_file(workbook)) {
    throw ReportError(workbook.string() + " does not exist; write the report template there with " +
                      std::string(vocabulary::kMakeTemplateCommand) + " \"" +
                      workbook.parent_path().string() + "\" (or Quorvia's \"" +
                      vocabulary::kWriteTemplateAction + "\"), then run " + office::kReportProgram +
                      " again.");
  }
  RequireDisplay();
  RequireCalcWithWindows();
  ReportShown shown;
  auto office = TryConnect(request.folder);
  if (!office) {
    RefuseWhenLocked(workbook);
    office = StartReportOffice(request);
    shown.startedOffice = true;
  }
  try {
    auto model = ShownWorkbook(*office);
    if (!model.is()) {
      model = LoadVisible(*office, workbook);
      shown.loadedWorkbook = true;
    }
    TitleWithFolder(model, workbook);
    BringToFront(model);
  } catch (const css::uno::Exception& error) {
    throw ReportError("LibreOffice refused to show the report: " + office::ToUtf8(error.Message));
  }
  return shown;
}

std::string ReportWindowTitle(const std::string& folder) {
  return std::string(vocabulary::kReportFileName) + " \u2014 " + folder;
}

bool ReportWindowShown(office::LibreOfficeApplication& office) {
  const auto model = ShownWorkbook(office);
  if (!model.is()) return false;
  const Reference<css::awt::XWindow2> window(WindowOf(model), UNO_QUERY);
  return window.is() && window->isVisible();
}

}  // namespace quorvia::report
