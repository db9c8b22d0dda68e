#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "workbook/office/process/office_options.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {

// The exit status with which the office asks to be started again, after it has set up a new profile.
inline constexpr int kRestartRequested = 81;
// The office's command-line option that names its profile (user installation) by file URL.
inline constexpr const char* kProfileOption = "-env:UserInstallation=";
// The option that makes the office accept UNO connections on a named pipe.
inline std::string AcceptOption(const std::string& pipeName) {
  return "--accept=pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext";
}
// How often a starting office is asked whether it listens yet.
inline constexpr auto kStartPollInterval = std::chrono::milliseconds(50);
// True once the office has set up the profile folder `profileDir` (its first start does that).
bool ProfileIsSetUp(const std::string& profileDir);

// An office that could not be started: why, in a form each caller words for its own users.
class OfficeStartError : public AutomationError {
 public:
  enum class Reason { ProfileNotSetUpInTime, EndedWhileStarting, NotListeningInTime };
  OfficeStartError(Reason reason, int status, const std::string& message)
      : AutomationError(message), reason_(reason), status_(status) {}
  Reason WhyNot() const noexcept { return reason_; }
  int Status() const noexcept { return status_; }  // exit status of an office that ended while starting

 private:
  Reason reason_;
  int status_;
};

// An office process started by this program. The office binary is started directly (no wrapper script or
// splash launcher in between, which would hand the start over to another office on the same profile and
// exit), so the process we hold is the office itself. A headless office is told by the kernel to die with
// the thread that started it: it never outlives the program, even after a crash. A visible, detached one
// runs in a session of its own and stays when the program ends.
class OfficeProcess {
 public:
  enum class Mode { Listen, InitialiseProfile };

  // Starts the office accepting UNO connections on the options' pipe, after setting up a new profile.
  // Does not wait for it to listen. AutomationError when the process cannot be started.
  static std::unique_ptr<OfficeProcess> Start(const OfficeOptions& options);

  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;
  ~OfficeProcess();  // ends a headless office if it still runs; a detached one stays

  pid_t Pid() const noexcept { return pid_; }
  bool Running();                       // false once the process has exited (and was reaped)
  std::optional<int> ExitCode() const;  // exit status once it has exited; -signal when killed
  bool WaitForExit(std::chrono::milliseconds timeout);
  // SIGTERM, a short grace period, then SIGKILL. Returns when the process is gone.
  void Stop();
  // SIGKILL without waiting: safe from another thread while the owner's thread is blocked on the office.
  void Kill() const noexcept;
  // Sets up the options' profile by a run of its own when the office has not yet (Start does this too).
  static void InitialiseProfile(const OfficeOptions& options);

 private:
  static std::unique_ptr<OfficeProcess> Spawn(const OfficeOptions& options, Mode mode);
  OfficeProcess(pid_t pid, bool detached) : pid_(pid), detached_(detached) {}
  bool Reap(bool block);

  pid_t pid_;
  bool detached_;
  std::optional<int> exitCode_;
};

// Waits until `connect` reaches the office that `office` started (connect throws AutomationError while
// nothing answers yet) and returns what it returns. An office that exits asking to be started again is
// started again, by `startAgain` when given (else OfficeProcess::Start). A visible office that exits with
// status 0 has found another office running on the user's profile and handed its request over, the pipe
// to accept on among it. That office may have been ending, so the start is made once more; when that one
// hands over too, the wait goes on for the office that took it (`office` is then empty). OfficeStartError
// when the office exits otherwise or nothing answers within the options' start timeout (a headless office is
// then ended; a visible one is the user's to close). When a failed connect has ended the office (`office`
// reset), that failure is thrown.
template <class Connect>
auto AwaitListening(std::shared_ptr<OfficeProcess>& office, const OfficeOptions& options, Connect&& connect,
                    const std::function<std::unique_ptr<OfficeProcess>()>& startAgain = {}) {
  const auto deadline = std::chrono::steady_clock::now() + options.startTimeout;
  int handOvers = 0;
  bool handedOver = false;
  while (true) {
    try {
      return connect();
    } catch (const AutomationError&) {
      if (!office && !handedOver) throw;
      if (std::chrono::steady_clock::now() >= deadline) {
        if (office && options.kind == OfficeOptions::Kind::HeadlessChild) office->Stop();
        office.reset();
        throw OfficeStartError(OfficeStartError::Reason::NotListeningInTime, 0,
                               "the office did not start listening on pipe " + options.pipeName + " in time");
      }
    }
    if (office && !office->Running()) {
      const int code = office->ExitCode().value_or(-1);
      if (code == kRestartRequested) {
        office = startAgain ? startAgain() : OfficeProcess::Start(options);
      } else if (code == 0 && options.kind == OfficeOptions::Kind::VisibleDetached) {
        if (handOvers++ == 0) {
          office = startAgain ? startAgain() : OfficeProcess::Start(options);
        } else {
          handedOver = true;
          office.reset();
        }
      } else {
        office.reset();
        throw OfficeStartError(OfficeStartError::Reason::EndedWhileStarting, code,
                               "the office exited during start-up (status " + std::to_string(code) + ")");
      }
    }
    std::this_thread::sleep_for(kStartPollInterval);
  }
}

// The hang action for an office call: ends the office when it still runs.
inline auto EndOffice(std::weak_ptr<OfficeProcess> process) {
  return [process = std::move(process)] {
    if (const auto office = process.lock()) office->Kill();
  };
}

}  // namespace quorvia::workbook::office
