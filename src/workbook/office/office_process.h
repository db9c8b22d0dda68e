#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "workbook/office/office_options.h"

namespace quorvia::workbook::office {

// The exit status with which the office asks to be started again, after it has set up a new profile.
inline constexpr int kRestartRequested = 81;
// The office's command-line option that names its profile (user installation) by file URL.
inline constexpr const char* kProfileOption = "-env:UserInstallation=";
// The option that makes the office accept UNO connections on a named pipe.
inline std::string AcceptOption(const std::string& pipeName) {
  return "--accept=pipe,name=" + pipeName + ";urp;StarOffice.ComponentContext";
}
// True once the office has set up the profile folder `profileDir` (its first start does that).
bool ProfileIsSetUp(const std::string& profileDir);

// A headless office process started by this program. The office binary is started directly (no wrapper
// script or splash launcher in between), so the process we hold is the office itself, and it is told by
// the kernel to die with the thread that started it: it never outlives the program, even after a crash.
class OfficeProcess {
 public:
  enum class Mode { Listen, InitialiseProfile };

  // Starts the office accepting UNO connections on the options' pipe, after setting up a new profile.
  // Does not wait for it to listen. AutomationError when the process cannot be started.
  static std::unique_ptr<OfficeProcess> Start(const OfficeOptions& options);

  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;
  ~OfficeProcess();  // ends the process if it still runs

  pid_t Pid() const noexcept { return pid_; }
  bool Running();                       // false once the process has exited (and was reaped)
  std::optional<int> ExitCode() const;  // exit status once it has exited; -signal when killed
  bool WaitForExit(std::chrono::milliseconds timeout);
  // SIGTERM, a short grace period, then SIGKILL. Returns when the process is gone.
  void Stop();
  // SIGKILL without waiting: safe from another thread while the owner's thread is blocked on the office.
  void Kill() const noexcept;

 private:
  static void InitialiseProfile(const OfficeOptions& options);
  static std::unique_ptr<OfficeProcess> Spawn(const OfficeOptions& options, Mode mode);
  explicit OfficeProcess(pid_t pid) : pid_(pid) {}
  bool Reap(bool block);

  pid_t pid_;
  std::optional<int> exitCode_;
};

// The hang action for an office call: ends the office when it still runs.
inline auto EndOffice(std::weak_ptr<OfficeProcess> process) {
  return [process = std::move(process)] {
    if (const auto office = process.lock()) office->Kill();
  };
}

}  // namespace quorvia::workbook::office
