#include "workbook/office/libreoffice_system.h"

#include <csignal>
#include <thread>

#include "workbook/office/office_process.h"
#include "workbook/office/report_office.h"
#include "workbook/office/uno_connection.h"

namespace quorvia::workbook::office {
namespace {

// soffice.bin asks to be started again after it has set up a new profile.
constexpr int kRestartRequested = 81;
constexpr auto kConnectRetryInterval = std::chrono::milliseconds(50);
constexpr auto kTerminateGracePeriod = std::chrono::seconds(5);
constexpr int kConnectAttempts = 20;  // with kConnectRetryInterval: about a second

}  // namespace

LibreOfficeSystem::LibreOfficeSystem(OfficeOptions options) : options_(std::move(options)) {
  // The connection to the office is a pipe. When the office goes away (ended, crashed, killed) a write
  // on it must fail with an error the refresh can report, not end this program with SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  if (!IsValidPipeName(options_.pipeName)) {
    throw AutomationError("invalid office pipe name \"" + options_.pipeName +
                          "\": use letters, digits and _");
  }
}

LibreOfficeSystem::~LibreOfficeSystem() { EndStartedOffice(); }

void LibreOfficeSystem::EndStartedOffice() noexcept {
  if (!started_ || !started_->Running()) return;
  // Asked to terminate, the office closes down cleanly and removes its pipe. One that does not answer is
  // killed after a grace period, which also ends the pending request.
  std::thread request([pipe = options_.pipeName] {
    try {
      DesktopOf(ConnectToOffice(pipe))->terminate();
    } catch (...) {
      // The connection goes down with the office either way.
    }
  });
  if (!started_->WaitForExit(kTerminateGracePeriod)) started_->Stop();
  request.join();
  started_.reset();
}

std::optional<pid_t> LibreOfficeSystem::StartedOfficePid() const {
  if (started_ && started_->Running()) return started_->Pid();
  return std::nullopt;
}

std::weak_ptr<OfficeProcess> LibreOfficeSystem::OurRunningOffice() const {
  if (started_ && started_->Running()) return started_;
  return {};
}

std::unique_ptr<LibreOfficeApplication> LibreOfficeSystem::ConnectToRunningOffice() {
  return std::make_unique<LibreOfficeApplication>(LiveConnection(), OurRunningOffice());
}

css::uno::Reference<css::uno::XComponentContext> LibreOfficeSystem::LiveConnection() {
  // One connection serves every call while it lives: a new bridge per call costs time, and under load the
  // office now and then drops a bridge while it is being set up.
  if (connection_.is()) {
    try {
      if (connection_->getServiceManager().is()) return connection_;
    } catch (const css::uno::Exception&) {
      // The office went away or the bridge broke: connect afresh.
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
  try {
    return ConnectToRunningOffice();
  } catch (const AutomationError&) {
    return StartOffice();
  }
}

std::unique_ptr<LibreOfficeApplication> LibreOfficeSystem::StartOffice() {
  // An office of ours that still runs keeps its open workbooks: connecting is retried below instead of
  // ending it. One that has exited is replaced.
  if (!started_ || !started_->Running()) started_ = OfficeProcess::Start(options_);
  const auto deadline = std::chrono::steady_clock::now() + options_.startTimeout;
  while (true) {
    try {
      return ConnectToRunningOffice();
    } catch (const AutomationError&) {
      if (std::chrono::steady_clock::now() >= deadline) {
        started_->Stop();
        started_.reset();
        throw AutomationError("the office did not start listening on pipe " + options_.pipeName + " in time");
      }
    }
    if (!started_->Running()) {
      const int code = started_->ExitCode().value_or(-1);
      if (code != kRestartRequested) {
        started_.reset();
        throw AutomationError("the office exited during start-up (status " + std::to_string(code) + ")");
      }
      started_ = OfficeProcess::Start(options_);
    }
    std::this_thread::sleep_for(kConnectRetryInterval);
  }
}

std::unique_ptr<SpreadsheetApplication> LibreOfficeSystem::GetRunningInstance() {
  // The office in which the user watches the report comes first: its open workbook is refreshed in place.
  if (auto report = ReportOfficeShowingFolder(options_.reportFolder)) return report;
  return ConnectToRunningOffice();
}

std::unique_ptr<SpreadsheetApplication> LibreOfficeSystem::CreateInstance() { return ConnectOrStartOffice(); }

}  // namespace quorvia::workbook::office
