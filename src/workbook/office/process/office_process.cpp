#include "workbook/office/process/office_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "workbook/office/process/log.h"
#include "workbook/office/process/office_slots.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/spreadsheet_application.h"

extern char** environ;

namespace quorvia::workbook::office {
namespace {

// Where the UNO runtime creates named pipes.
constexpr const char* kPipeFolder = "/tmp";

bool IsHeadless(const OfficeOptions& options) { return options.kind == OfficeOptions::Kind::HeadlessChild; }

std::vector<std::string> OfficeArguments(const OfficeOptions& options, OfficeProcess::Mode mode) {
  std::vector<std::string> arguments{options.sofficePath};
  if (IsHeadless(options) || mode == OfficeProcess::Mode::InitialiseProfile) {
    arguments.insert(arguments.end(), {"--headless", "--invisible", "--nologo", "--norestore", "--nodefault",
                                       "--nolockcheck"});
  } else {
    // With its start centre, as the desktop starts it: a document shown takes that window's place, and when
    // the user closes it the office behaves as usual (the start centre, then gone when that is closed).
    arguments.insert(arguments.end(), {"--nologo", "--norestore"});
  }
  if (!options.profileDir.empty()) {
    arguments.push_back(kProfileOption + ToUtf8(FileUrlFromPath(options.profileDir)));
  }
  if (mode == OfficeProcess::Mode::Listen) {
    arguments.push_back(AcceptOption(options.pipeName));
  } else {
    arguments.push_back("--terminate_after_init");
  }
  return arguments;
}

// The parent's environment with HOME and TMPDIR replaced: the office writes caches under HOME, and its
// temporary files go to a folder of its own that is emptied before it starts, so that an office that was
// killed leaves nothing behind in the system's temporary folder.
// A visible office keeps the user's environment, with the file locking that the desktop's launcher turns on.
std::vector<std::string> OfficeEnvironment(const OfficeOptions& options) {
  std::vector<std::string> env;
  const bool headless = IsHeadless(options);
  for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
    const bool replaced =
        headless ? std::strncmp(*entry, "HOME=", 5) == 0 || std::strncmp(*entry, "TMPDIR=", 7) == 0
                 : std::strncmp(*entry, "SAL_ENABLE_FILE_LOCKING=", 24) == 0;
    if (!replaced) env.emplace_back(*entry);
  }
  if (headless) {
    env.push_back("HOME=" + options.homeDir);
    env.push_back("TMPDIR=" + options.OfficeTempDir());
  } else {
    env.push_back("SAL_ENABLE_FILE_LOCKING=1");
  }
  return env;
}

// What cannot be removed stays: the office starts anyway, with a little less room.
void EmptyFolder(const std::string& path) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
    std::filesystem::remove_all(entry.path(), error);
    if (error) qCInfo(lcOfficeProcess, "cannot remove %s: %s", entry.path().c_str(), error.message().c_str());
  }
}

std::vector<char*> AsArgv(std::vector<std::string>& strings) {
  std::vector<char*> argv;
  for (auto& s : strings) argv.push_back(s.data());
  argv.push_back(nullptr);
  return argv;
}

void CreateFolder(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) throw AutomationError("cannot create the office folder " + path + ": " + error.message());
}

// In the child between fork and exec only async-signal-safe calls are allowed.
[[noreturn]] void ExecOffice(bool detached, pid_t parent, char* const* argv, char* const* envp) {
  if (detached) {
    // The desktop session's, not ours: a session of its own, so that ending this program leaves it be.
    setsid();
  } else {
    // Die with the thread that started us, and close the race where it died before prctl took effect.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    // Ctrl+C in the terminal is meant for the program, which finishes or undoes its item and then ends
    // this office itself; an office of its own process group does not get it half-way through a save.
    setpgid(0, 0);
  }
  // The program's threads may block signals that they read themselves; the office handles its own.
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  const int devNull = open("/dev/null", O_RDWR);
  if (devNull >= 0) {
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    dup2(devNull, STDERR_FILENO);
  }
  execve(argv[0], argv, envp);
  _exit(127);
}

}  // namespace

std::unique_ptr<OfficeProcess> OfficeProcess::Start(const OfficeOptions& options) {
  RemovePipesOfEndedProcesses(kPipeFolder);
  InitialiseProfile(options);
  return Spawn(options, Mode::Listen);
}

bool ProfileIsSetUp(const std::string& profileDir) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::path(profileDir) / "user", error);
}

void OfficeProcess::InitialiseProfile(const OfficeOptions& options) {
  if (ProfileIsSetUp(options.ProfileFolder())) return;
  // On a new profile the office sets it up and then exits asking to be started again; a client that
  // connected in between would lose its connection. So a new profile is set up by a run of its own first.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const auto setup = Spawn(options, Mode::InitialiseProfile);
    if (!setup->WaitForExit(options.startTimeout)) {
      setup->Stop();
      throw OfficeStartError(OfficeStartError::Reason::ProfileNotSetUpInTime, 0,
                             "the office did not set up its profile " + options.ProfileFolder() + " in time");
    }
    if (setup->ExitCode() != kRestartRequested) return;
  }
}

std::unique_ptr<OfficeProcess> OfficeProcess::Spawn(const OfficeOptions& options, Mode mode) {
  if (access(options.sofficePath.c_str(), X_OK) != 0) {
    throw AutomationError("the office program " + options.sofficePath + " is not installed");
  }
  if (IsHeadless(options)) {
    CreateFolder(options.profileDir);
    CreateFolder(options.homeDir);
    CreateFolder(options.OfficeTempDir());
    EmptyFolder(options.OfficeTempDir());
  }
  auto arguments = OfficeArguments(options, mode);
  auto environment = OfficeEnvironment(options);
  const auto argv = AsArgv(arguments);
  const auto envp = AsArgv(environment);
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) throw AutomationError(std::string("cannot start the office: ") + std::strerror(errno));
  const bool detached = !IsHeadless(options);
  if (pid == 0) ExecOffice(detached, parent, argv.data(), envp.data());
  return std::unique_ptr<OfficeProcess>(new OfficeProcess(pid, detached));
}

OfficeProcess::~OfficeProcess() {
  if (!detached_) Stop();
}

bool OfficeProcess::Reap(bool block) {
  if (exitCode_) return true;
  int status = 0;
  pid_t result;
  do {
    result = waitpid(pid_, &status, block ? 0 : WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result == 0) return false;
  if (result < 0) {
    exitCode_ = -1;  // not our child any more: nothing left to wait for
  } else {
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
  return true;
}

bool OfficeProcess::Running() { return !Reap(false); }

std::optional<int> OfficeProcess::ExitCode() const { return exitCode_; }

bool OfficeProcess::WaitForExit(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!Reap(false)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

void OfficeProcess::Kill() const noexcept {
  // Not reaped yet, so the id is still this process's, whatever its state.
  if (!exitCode_) kill(pid_, SIGKILL);
}

void OfficeProcess::Stop() {
  if (!Running()) return;
  kill(pid_, SIGTERM);
  if (WaitForExit(std::chrono::seconds(3))) return;
  kill(pid_, SIGKILL);
  Reap(true);
}

}  // namespace quorvia::workbook::office
