#include "workbook/office/libreoffice_system.h"

#include <csignal>
#include <filesystem>
#include <thread>

#include "workbook/cover_page.h"
#include "workbook/office/log.h"
#include "workbook/office/office_shared.h"
#include "workbook/office/process/office_process.h"
#include "workbook/office/report_office.h"
#include "workbook/office/uno/uno_connection.h"
#include "workbook/office/uno/uno_documents.h"
#include "workbook/office/uno/uno_errors.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/office/workbook_file/office_journal.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"

namespace quorvia::workbook::office {
namespace {

constexpr auto kConnectRetryInterval = std::chrono::milliseconds(50);
constexpr auto kTerminateGracePeriod = std::chrono::seconds(5);
constexpr int kConnectAttempts = 20;  // with kConnectRetryInterval: about a second

}  // namespace

LibreOfficeSystem::LibreOfficeSystem(OfficeOptions options)
    : options_(std::move(options)), shared_(std::make_shared<OfficeShared>(options_)) {
  // The connection to the office is a pipe. When the office goes away (ended, crashed, killed) a write
  // on it must fail with an error the refresh can report, not end this program with SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  if (!IsValidPipeName(options_.pipeName)) {
    throw AutomationError("invalid office pipe name \"" + options_.pipeName +
                          "\": use letters, digits and _");
  }
  shared_->journal.TakeOver();
}

LibreOfficeSystem::~LibreOfficeSystem() {
  FinishBackgroundStart();
  EndStartedOffice();
  if (background_.joinable()) background_.join();
}

void LibreOfficeSystem::WarmUp(LibreOfficeApplication& office, const std::string& workbook) const {
  namespace fs = std::filesystem;
  const fs::path folder = options_.OfficeTempDir();
  const fs::path copy = folder / "warm-up.xls";
  const std::string copyName = copy.filename().string();
  std::error_code error;
  fs::copy_file(workbook, copy, fs::copy_options::overwrite_existing, error);
  if (error) return;
  try {
    // The steps of a refresh that load code on their first use: cell writes and the store through the
    // spreadsheet filter (a copy of an unchanged workbook is only a file copy).
    office.OpenWorkbook(copy.string(), 0);
    office.SelectSheet(copyName, 1);
    RefreshOutcome written;
    WriteCoverPage(office, copyName, {}, written);
    for (const auto& failure : written.failures) {
      qCInfo(lcOffice, "the office's warm-up could not write a cell: %s", failure.c_str());
    }
    office.Save(copyName);
  } catch (const AutomationError& failure) {
    // Only a warm-up: the real run reports its own failures.
    qCInfo(lcOffice, "the office's warm-up on %s failed: %s", workbook.c_str(), failure.what());
  }
  try {
    office.Close(copyName);
  } catch (const AutomationError& failure) {
    qCInfo(lcOffice, "the office could not close its warm-up copy: %s", failure.what());
  }
  fs::remove(copy, error);
}

void LibreOfficeSystem::StartParkedInBackground(const std::string& warmUpWorkbook) {
  FinishBackgroundStart();
  if (background_.joinable() || (started_ && started_->Running())) return;
  std::promise<void> started;
  backgroundStarted_ = started.get_future();
  background_ = std::thread([this, warmUpWorkbook, started = std::move(started)]() mutable {
    try {
      const auto office = StartOffice();
      if (!warmUpWorkbook.empty()) WarmUp(*office, warmUpWorkbook);
      shared_->Park();
    } catch (...) {
      // The next create starts an office itself and reports what goes wrong to the user.
      qCWarning(lcOffice, "the office started in the background failed to start: %s",
                CurrentErrorText().c_str());
    }
    started.set_value();
  });
}

void LibreOfficeSystem::FinishBackgroundStart() {
  if (backgroundStarted_.valid()) backgroundStarted_.get();
}

void LibreOfficeSystem::EndStartedOffice() noexcept {
  if (!started_) return;
  if (started_->Running()) {
    // Every document is closed first, so that the office removes its lock files; then it is asked to
    // terminate and removes its pipe. One that does not answer is killed after a grace period, which
    // also ends the pending request.
    std::thread request([pipe = options_.pipeName] {
      try {
        const auto desktop = DesktopOf(ConnectToOffice(pipe));
        CloseAllDocuments(desktop);
        desktop->terminate();
      } catch (...) {
        // The connection goes down with the office either way; one that does not end is killed below.
        qCInfo(lcOffice, "the office did not close its documents and end when asked: %s",
               CurrentErrorText().c_str());
      }
    });
    if (!started_->WaitForExit(kTerminateGracePeriod)) started_->Stop();
    request.join();
  }
  ForgetEndedOffice();
}

void LibreOfficeSystem::ForgetEndedOffice() {
  startedPid_ = 0;
  // An office ended under a save (killed at a second Ctrl+C, or by the watchdog) leaves its temporary file.
  shared_->RemoveLeftoversOfEndedOffice(started_ && !started_->Running() ? std::optional<int>(started_->Pid())
                                                                         : std::nullopt);
  started_.reset();
  connection_.clear();
}

std::string LibreOfficeSystem::WorkbookProblem(const std::string& path) { return WorkbookFileProblem(path); }

void LibreOfficeSystem::EndAtOnce() noexcept {
  endedAtOnce_ = true;
  // The id is cleared when the ended office is forgotten, right after the using thread reaps it, so it
  // names our office (running, or a zombie that no signal harms).
  if (const pid_t pid = startedPid_; pid > 0) kill(pid, SIGKILL);
}

std::optional<pid_t> LibreOfficeSystem::StartedOfficePid() {
  FinishBackgroundStart();
  if (started_ && started_->Running()) return started_->Pid();
  return std::nullopt;
}

bool LibreOfficeSystem::OfficeParked() {
  FinishBackgroundStart();
  return started_ && started_->Running() && shared_->Parked();
}

std::weak_ptr<OfficeProcess> LibreOfficeSystem::OurRunningOffice() const {
  if (started_ && started_->Running()) return started_;
  return {};
}

std::unique_ptr<LibreOfficeApplication> LibreOfficeSystem::Connect() {
  return std::make_unique<LibreOfficeApplication>(LiveConnection(), OurRunningOffice(), shared_);
}

std::unique_ptr<LibreOfficeApplication> LibreOfficeSystem::ConnectToRunningOffice() {
  FinishBackgroundStart();
  if (started_ && started_->Running() && shared_->Parked()) {
    throw NoOfficeError("no office is running on pipe " + options_.pipeName);
  }
  return Connect();
}

css::uno::Reference<css::uno::XComponentContext> LibreOfficeSystem::LiveConnection() {
  // A frozen office of ours does not even answer the connection: it is ended after the bound.
  CallWatchdog::Watch watch(shared_->watchdog, EndOffice(OurRunningOffice()));
  try {
    return Reconnect();
  } catch (const AutomationError&) {
    if (!watch.Fired()) throw;
    if (started_) started_->Stop();
    ForgetEndedOffice();
    throw AutomationError(HangMessage(shared_->watchdog.Bound()));
  }
}

css::uno::Reference<css::uno::XComponentContext> LibreOfficeSystem::Reconnect() {
  // One connection serves every call while it lives: a new bridge per call costs time, and under load the
  // office now and then drops a bridge while it is being set up.
  if (connection_.is()) {
    try {
      if (connection_->getServiceManager().is()) return connection_;
    } catch (const css::uno::Exception& error) {
      // The office went away or the bridge broke: connect afresh.
      qCDebug(lcOffice, "the connection to the office broke, connecting afresh: %s",
              ToUtf8(error.Message).c_str());
    }
    connection_.clear();
  }
  for (int attempt = 1;; ++attempt) {
    try {
      connection_ = ConnectToOffice(options_.pipeName);
      return connection_;
    } catch (const NoOfficeError&) {
      // Nothing listens. Only an office of ours that still runs is worth waiting for.
      if (attempt >= kConnectAttempts || !started_ || !started_->Running()) throw;
    } catch (const AutomationError&) {
      // The connection broke while it was being set up: try again.
      if (attempt >= kConnectAttempts) throw;
    }
    std::this_thread::sleep_for(kConnectRetryInterval);
  }
}

std::unique_ptr<LibreOfficeApplication> LibreOfficeSystem::ConnectOrStartOffice() {
  FinishBackgroundStart();
  if (started_ && shared_->Parked()) return TakeParkedOffice();
  try {
    return Connect();
  } catch (const AutomationError& error) {
    qCDebug(lcOffice, "no office answers on pipe %s (%s): starting one", options_.pipeName.c_str(),
            error.what());
    return StartOffice();
  }
}

std::unique_ptr<LibreOfficeApplication> LibreOfficeSystem::TakeParkedOffice() {
  shared_->TakeOver();
  if (started_->Running()) {
    try {
      return Connect();
    } catch (const AutomationError& error) {
      // It runs but does not answer: of no further use.
      qCWarning(lcOffice, "the parked office does not answer and is replaced: %s", error.what());
      if (started_) started_->Stop();
    }
  }
  // Died while parked (killed from outside, crashed): its leftovers go, and a new one takes its place.
  ForgetEndedOffice();
  return StartOffice();
}

std::unique_ptr<LibreOfficeApplication> LibreOfficeSystem::StartOffice() {
  // An office of ours that still runs keeps its open workbooks: connecting is retried below instead of
  // ending it. One that has exited is replaced.
  if (started_ && !started_->Running()) ForgetEndedOffice();
  if (!started_) started_ = StartProcess();
  shared_->TakeOver();
  return AwaitListening(
      started_, options_, [this] { return Connect(); }, [this] { return StartProcess(); });
}

std::unique_ptr<OfficeProcess> LibreOfficeSystem::StartProcess() {
  if (endedAtOnce_) throw AutomationError("the run was stopped");
  auto process = starter_.Start(options_);
  shared_->journal.RecordOffice(process->Pid());
  startedPid_ = process->Pid();
  return process;
}

std::unique_ptr<SpreadsheetApplication> LibreOfficeSystem::GetRunningInstance() {
  // The office in which the user watches the report comes first: its open workbook is refreshed in place.
  if (auto report = ReportOfficeShowingFolder(options_.reportFolder, shared_)) return report;
  return ConnectToRunningOffice();
}

std::unique_ptr<LibreOfficeApplication> LibreOfficeSystem::OfficeForFiles() {
  if (auto report = ReportOfficeShowingFolder(options_.reportFolder, shared_)) return report;
  auto application = ConnectOrStartOffice();
  application->ParkWhenReleasedEmpty();
  return application;
}

std::unique_ptr<SpreadsheetApplication> LibreOfficeSystem::CreateInstance() {
  if (endedAtOnce_) throw AutomationError("the run was stopped");
  auto application = ConnectOrStartOffice();
  application->ParkWhenReleasedEmpty();
  return application;
}

}  // namespace quorvia::workbook::office
