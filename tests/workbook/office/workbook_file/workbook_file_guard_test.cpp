// The guard of the workbook file on a real folder: a write replaces the file only when complete, with the
// permissions of an ordinary file, and what a killed run left is cleaned up; a file that is no spreadsheet
// is refused before anything could open it for writing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "file_bytes.h"
#include "file_mode/process_umask.h"
#include "office_test_support.h"
#include "workbook/office/process/office_options.h"
#include "workbook/office/process/office_processes.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"
#include "workbook/refresh_workbook.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office::testing {
namespace {

namespace fs = std::filesystem;

using quorvia::testing::FileBytes;

std::size_t FilesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

pid_t PidOfAnEndedProcess() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  waitpid(child, nullptr, 0);
  return child;
}

TEST(WriteThroughTemporary, ReplacesTheFileOnlyWhenCompleteWithTheModeOfAnOrdinaryFile) {
  const TempFolder folder("quorvia-guard");
  const fs::path target = folder.Path() / "copy.xls";
  std::ofstream(target) << "before";

  EXPECT_THROW(WriteThroughTemporary("SaveCopyAs", target,
                                     [](const std::string& temporary) {
                                       std::ofstream(temporary) << "half";
                                       throw std::runtime_error("the office ended");
                                     }),
               std::runtime_error);
  EXPECT_EQ(FileBytes(target), "before");
  EXPECT_EQ(FilesIn(folder.Path()), 1u) << "no temporary file stays after a failed write";

  WriteThroughTemporary("SaveCopyAs", target,
                        [](const std::string& temporary) { std::ofstream(temporary) << "after"; });
  EXPECT_EQ(FileBytes(target), "after");
  EXPECT_EQ(FilesIn(folder.Path()), 1u);
  struct stat status {};
  ASSERT_EQ(stat(target.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, file_mode::OrdinaryFileMode())
      << "not the private mode of a temporary file";
}

TEST(WriteThroughTemporary, RemovesTheTemporaryFileOfAKilledRunAndKeepsThoseOfRunningOnes) {
  const TempFolder folder("quorvia-guard");
  const fs::path leftover =
      folder.Path() / (".~quorvia-copy-" + std::to_string(PidOfAnEndedProcess()) + "-abc");
  const fs::path underWay = folder.Path() / (".~quorvia-copy-" + std::to_string(getppid()) + "-abc");
  std::ofstream(leftover) << "killed";
  std::ofstream(underWay) << "running";
  WriteThroughTemporary("SaveCopyAs", folder.Path() / "copy.xls",
                        [](const std::string& temporary) { std::ofstream(temporary) << "copy"; });
  EXPECT_FALSE(fs::exists(leftover));
  EXPECT_TRUE(fs::exists(underWay));
}

TEST(RequireSpreadsheetFile, RefusesEmptyAndTextFilesAndLeavesThemAsTheyAre) {
  const TempFolder folder("quorvia-guard");
  const fs::path empty = folder.Path() / "empty.xls";
  const fs::path text = folder.Path() / "text.xls";
  const fs::path compound = folder.Path() / "compound.xls";
  std::ofstream{empty};
  std::ofstream(text) << "Country;Area\nAT;12\n";
  std::ofstream(compound, std::ios::binary) << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) << "rest";

  try {
    RequireSpreadsheetFile(empty);
    ADD_FAILURE() << "an empty file is no workbook";
  } catch (const AutomationError& error) {
    EXPECT_EQ(std::string(error.what()), "empty.xls is empty; it is left as it is");
  }
  try {
    RequireSpreadsheetFile(text);
    ADD_FAILURE() << "a text file is no workbook";
  } catch (const AutomationError& error) {
    EXPECT_EQ(std::string(error.what()), "text.xls is not a spreadsheet file; it is left as it is");
  }
  EXPECT_EQ(FileBytes(text), "Country;Area\nAT;12\n");
  EXPECT_NO_THROW(RequireSpreadsheetFile(compound));
}

// What a run asks before it rewrites FILTERED: each answer names the whole path and what to do.
TEST(WorkbookFileProblem, NamesAWorkbookThatCannotBeRefreshedAndSaved) {
  const TempFolder folder("quorvia-guard");
  const fs::path book = folder.Path() / "MOSA_QUERY.xls";
  const auto problem = [&] { return WorkbookFileProblem(book); };
  EXPECT_EQ(problem(), "the workbook " + book.string() + " does not exist; " + kWriteTemplateAgain);
  fs::create_directory(book);
  EXPECT_TRUE(problem().starts_with("the workbook " + book.string() + " is a folder, not a file;"))
      << problem();
  fs::remove(book);
  for (const std::string& content : {std::string(), std::string("Country;Area\n")}) {
    std::ofstream(book, std::ios::trunc) << content;
    EXPECT_TRUE(problem().starts_with("the workbook " + book.string() + " is not a spreadsheet file;"))
        << problem();
  }
  std::ofstream(book, std::ios::binary | std::ios::trunc)
      << std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  EXPECT_EQ(problem(), "");
  // Read-only for everyone: refused even for a user whom the system would let write it.
  fs::permissions(book, fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(problem(), "the workbook " + book.string() + " is read-only; make it writable (chmod u+w \"" +
                           book.string() + "\") and try again");
}

std::string ThisHost() {
  char name[256] = {};
  gethostname(name, sizeof name - 1);
  return name;
}

std::string ThisLogin() { return getpwuid(getuid())->pw_name; }

// An office lock file as the office writes it: user name, login, host, time, profile URL.
void WriteLock(const fs::path& lockFile, const std::string& host, const fs::path& profile) {
  std::ofstream(lockFile) << "Analyst," << ThisLogin() << "," << host << ",10.12.2026 02:50,file://"
                          << profile.string() << ";";
}

TEST(OfficeLockFile, ALockWrittenOnAnotherHostIsKeptAndOneLeftHereByAnEndedOfficeGoes) {
  const TempFolder folder("quorvia-lock");
  const fs::path document = folder.Path() / "MOSA_QUERY.xls";
  std::ofstream(document) << "report";
  const fs::path lockFile = OfficeLockFileOf(document);
  // No office here runs on this profile; one on the other host may well, over a shared folder.
  const fs::path profile = folder.Path() / "profile";
  fs::create_directories(profile);

  WriteLock(lockFile, "analyst-laptop.example.org", profile);
  EXPECT_FALSE(IsLockOfEndedOffice(lockFile));
  EXPECT_EQ(LiveLockFileOf(document), lockFile);
  RemoveLeftoverLockFile(document, folder.Path() / "our-profile", false);
  EXPECT_TRUE(fs::exists(lockFile)) << "another host's lock was removed";

  WriteLock(lockFile, ThisHost(), profile);
  EXPECT_TRUE(IsLockOfEndedOffice(lockFile));
  EXPECT_EQ(LiveLockFileOf(document), std::nullopt);
  EXPECT_FALSE(fs::exists(lockFile));
}

// An office started as the user starts one: no profile named, so it runs on the user's own profile (under
// `home`). Its first start only makes the profile and asks to be started again, as the office's own
// launcher does.
pid_t StartOfficeOnUsersOwnProfile(const fs::path& home) {
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  const std::string office = OfficeOptions::VisibleDetached("unused", "").sofficePath;
  const std::string accept = "--accept=pipe,name=quorvia-lock-test-" + std::to_string(getpid()) + ";urp;";
  std::vector<std::string> arguments = {office,        "--headless", "--invisible",
                                        "--norestore", "--nologo",   accept};
  std::vector<char*> argv;
  for (auto& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  constexpr int kStartAgain = 81;
  for (int attempt = 0; attempt < 3; ++attempt) {
    pid_t pid = 0;
    if (posix_spawn(&pid, office.c_str(), &quiet, nullptr, argv.data(), environ) != 0) break;
    int status = 0;
    pid_t ended = 0;
    for (int wait = 0; wait < 30 && ended == 0; ++wait) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      ended = waitpid(pid, &status, WNOHANG);
    }
    if (ended == 0) {
      posix_spawn_file_actions_destroy(&quiet);
      return pid;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != kStartAgain) break;
  }
  posix_spawn_file_actions_destroy(&quiet);
  return 0;
}

TEST(OfficeLockFile, ALockOfAnOfficeRunningOnTheUsersOwnProfileIsKept) {
  const TempFolder folder("quorvia-lock");
  const std::string oldHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
  const std::string savedConfig = oldConfig != nullptr ? oldConfig : "";
  const pid_t office = StartOfficeOnUsersOwnProfile(folder.Path() / "home");
  const fs::path ownProfile = UsersOwnProfile();
  const fs::path document = folder.Path() / "MOSA_QUERY.xls";
  std::ofstream(document) << "report";
  const fs::path lockFile = OfficeLockFileOf(document);
  WriteLock(lockFile, ThisHost(), ownProfile);

  if (office > 0) {
    EXPECT_FALSE(IsLockOfEndedOffice(lockFile)) << "the office on " << ownProfile << " holds the file";
    EXPECT_EQ(LiveLockFileOf(document), lockFile);
    EXPECT_TRUE(fs::exists(lockFile));
    kill(office, SIGKILL);
    waitpid(office, nullptr, 0);
    // Once that office has ended, its lock holds nothing, unless another office of this user runs on
    // its own profile too (one that other tests started, say).
    const auto others = OfficeProcessesOfUser();
    if (std::none_of(others.begin(), others.end(), [](const auto& other) { return !other.ProfileUrl(); })) {
      EXPECT_TRUE(IsLockOfEndedOffice(lockFile));
    }
  }
  setenv("HOME", oldHome.c_str(), 1);
  if (oldConfig != nullptr) setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
  ASSERT_GT(office, 0) << "the office did not start on the user's own profile";
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
