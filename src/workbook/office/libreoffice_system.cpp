#include "libreoffice_system.h"

#include <thread>

#include "office_process.h"
#include "uno_connection.h"

namespace quorvia::workbook::office {
namespace {

// soffice.bin asks to be started again after it has set up a new profile.
constexpr int kRestartRequested = 81;
constexpr auto kConnectRetryInterval = std::chrono::milliseconds(50);
constexpr auto kTerminateGracePeriod = std::chrono::seconds(5);

}  // namespace

LibreOfficeSystem::LibreOfficeSystem(OfficeOptions options) : options_(std::move(options)) {
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
  auto office = ConnectToOffice(options_.pipeName);
  return std::make_unique<LibreOfficeApplication>(std::move(office), OurRunningOffice());
}

std::unique_ptr<LibreOfficeApplication> LibreOfficeSystem::ConnectOrStartOffice() {
  try {
    return ConnectToRunningOffice();
  } catch (const AutomationError&) {
    return StartOffice();
  }
}

std::unique_ptr<LibreOfficeApplication> LibreOfficeSystem::StartOffice() {
  if (started_) started_->Stop();  // a previous office of ours that no longer answers
  started_ = OfficeProcess::Start(options_);
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
  return ConnectToRunningOffice();
}

std::unique_ptr<SpreadsheetApplication> LibreOfficeSystem::CreateInstance() { return ConnectOrStartOffice(); }

}  // namespace quorvia::workbook::office
