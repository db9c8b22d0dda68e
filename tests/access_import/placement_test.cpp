// What the conversion leaves in the folder: the converted file and the original byte for byte on
// success; on any failure, cancel included, the folder exactly as it was.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "access_import/file_placement.h"
#include "import_rows/import_error.h"
#include "import_test_support.h"

namespace quorvia::access_import {
namespace {

using namespace testing;

constexpr const char* kSample = "landcover-sample-jet4.mdb";

std::string SqliteHeader(const fs::path& file) { return FileBytes(file).substr(0, 16); }

const import_rows::ProgressFn kNoProgress = [](const import_rows::ImportProgress&) {};
const import_rows::CancelFn kNeverCancel = [] { return false; };

// Converts in place, expecting a failure whose message contains `expected`; the folder must not change.
void ExpectFailureLeavesFolder(const ScratchFolder& folder, const std::string& expected,
                               const import_rows::CancelFn& cancel = kNeverCancel) {
  const Snapshot before = TakeSnapshot(folder.Path());
  try {
    ConvertInPlace((folder.Path() / "MOSA_DB.mdb").string(), kNoProgress, cancel);
    ADD_FAILURE() << "the conversion succeeded";
  } catch (const import_rows::ImportError& error) {
    EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find("MOSA_DB.mdb"), std::string::npos) << error.what();
  }
  EXPECT_EQ(TakeSnapshot(folder.Path()), before);
}

TEST(ConvertInPlace, KeepsTheOriginalByteForByteUnderTheFirstFreeName) {
  ScratchFolder folder;
  const fs::path database = folder.Copy(kSample, "MOSA_DB.mdb");
  WriteBytes(folder.Path() / "MOSA_DB.access.mdb", "an earlier original");
  std::vector<import_rows::ImportProgress> reports;
  const auto result = ConvertInPlace(
      database.string(), [&](const import_rows::ImportProgress& p) { reports.push_back(p); }, kNeverCancel);

  EXPECT_EQ(fs::path(result.keptAs).filename(), "MOSA_DB.access (2).mdb");
  EXPECT_EQ(FileBytes(result.keptAs), FileBytes(Sample(kSample)));
  EXPECT_EQ(FileBytes(folder.Path() / "MOSA_DB.access.mdb"), "an earlier original");
  EXPECT_EQ(SqliteHeader(database), std::string("SQLite format 3\0", 16));
  EXPECT_EQ(TakeSnapshot(folder.Path()).size(), 3u);  // no temporary file left
  EXPECT_EQ(result.summary.tables, 4);
  EXPECT_EQ(result.summary.rows, 2712);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().rowsDoneInAll, reports.back().rowsInAll);
}

// A conversion killed outright leaves its temporary file; the next one removes it, and only it.
TEST(ConvertInPlace, RemovesWhatAKilledConversionLeftAndNothingElse) {
  ScratchFolder folder;
  const fs::path database = folder.Copy(kSample, "MOSA_DB.mdb");
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_GT(ended, 0);
  waitpid(ended, nullptr, 0);
  const std::string prefix = ".MOSA_DB.mdb.converting-";
  const fs::path leftover = folder.Path() / (prefix + std::to_string(ended) + "-a1B2c3");
  const fs::path leftoverJournal = fs::path(leftover.string() + "-journal");
  const fs::path running = folder.Path() / (prefix + std::to_string(getppid()) + "-d4E5f6");
  for (const auto& file : {leftover, leftoverJournal, running}) WriteBytes(file, "half written");

  ConvertInPlace(database.string(), kNoProgress, kNeverCancel);
  EXPECT_FALSE(fs::exists(leftover));
  EXPECT_FALSE(fs::exists(leftoverJournal));
  EXPECT_EQ(FileBytes(running), "half written");  // its process still runs: not ours to remove
}

// A process we may not signal (another user's) still runs: the files named after it are not leftovers.
// Run as an unprivileged user, kill(pid, 0) answers EPERM for it, not "no such process".
TEST(ConvertInPlace, KeepsTheFilesOfAProcessThatRunsForAnotherUser) {
  constexpr pid_t kInit = 1;  // the system's first process, owned by the administrator
  constexpr uid_t kNobody = 65534;
  struct stat init {};
  if (stat("/proc/1", &init) != 0 || init.st_uid != 0)
    GTEST_SKIP() << "no process of another user to name the files after";
  ScratchFolder folder;
  const fs::path database = folder.Copy(kSample, "MOSA_DB.mdb");
  fs::permissions(folder.Path(), fs::perms::all);  // the unprivileged conversion writes there too
  const fs::path otherUsers =
      folder.Path() / (".MOSA_DB.mdb.converting-" + std::to_string(kInit) + "-a1B2c3");
  WriteBytes(otherUsers, "being written");

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(2);
    try {
      ConvertInPlace(database.string(), kNoProgress, kNeverCancel);
    } catch (...) {
      _exit(3);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0) << "the conversion as another user failed";
  EXPECT_EQ(FileBytes(otherUsers), "being written");
}

TEST(ConvertInPlace, BadFilesGiveTheMessageAndChangeNothing) {
  const std::string original = FileBytes(Sample(kSample));
  const std::size_t pageSize = 4096;
  // Rows of a data page of DATA_DE overwritten with noise, past the page's header.
  std::string noisy = original;
  std::mt19937 noise(7);
  for (std::size_t i = 64 * pageSize + 8; i < 65 * pageSize; ++i) noisy[i] = static_cast<char>(noise());
  // The same on the pages that hold the catalogue's rows: libmdb would list no table at all.
  std::string noisyCatalogue = original;
  for (std::size_t page = 14; page <= 18; ++page) {
    for (std::size_t i = page * pageSize + 14; i < (page + 1) * pageSize; ++i) {
      noisyCatalogue[i] = static_cast<char>(noise());
    }
  }
  struct Case {
    std::string bytes;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"", "the file is empty"},
      {original.substr(0, original.size() / 2 + 100), "the file is truncated"},
      // Cut at a page boundary, the header check passes; the reader finds the missing pages.
      {original.substr(0, original.size() / 2), "table DATA_PT"},
      {noisy, "table DATA_DE, row 741"},
      {noisyCatalogue, "catalogue of tables cannot be read"},
      {std::string("Standard Jet DB") + std::string(5000, 'x'), "not an Access database"},
  };
  for (const auto& [bytes, message] : cases) {
    SCOPED_TRACE(message);
    ScratchFolder folder;
    WriteBytes(folder.Path() / "MOSA_DB.mdb", bytes);
    ExpectFailureLeavesFolder(folder, message);
  }
}

// Sets resource limits for the life of a test.
class Limits {
 public:
  Limits(rlim_t fileSize, void (*onFileSize)(int)) {
    ::getrlimit(RLIMIT_FSIZE, &fileSize_);
    ::getrlimit(RLIMIT_CORE, &core_);
    handler_ = ::signal(SIGXFSZ, onFileSize);
    rlimit limit = fileSize_;
    limit.rlim_cur = fileSize;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    limit = core_;
    limit.rlim_cur = 0;
    ::setrlimit(RLIMIT_CORE, &limit);
  }
  ~Limits() {
    ::setrlimit(RLIMIT_FSIZE, &fileSize_);
    ::setrlimit(RLIMIT_CORE, &core_);
    ::signal(SIGXFSZ, handler_);
  }
  Limits(const Limits&) = delete;
  Limits& operator=(const Limits&) = delete;

 private:
  rlimit fileSize_{};
  rlimit core_{};
  void (*handler_)(int) = nullptr;
};

// The reading runs in a child process, so a reader that dies on a signal (as libmdb can on a damaged
// file) costs a message, not the program. Past a file-size limit the kernel ends it with SIGXFSZ.
TEST(ConvertInPlace, AReaderThatDiesOnASignalGivesTheMessageAndChangesNothing) {
  ScratchFolder folder;
  folder.Copy(kSample, "MOSA_DB.mdb");
  const Limits limits(64 * 1024, SIG_DFL);
  ExpectFailureLeavesFolder(folder, "stopped on signal " + std::to_string(SIGXFSZ) + " in table");
}

TEST(ConvertInPlace, CancelLeavesTheFolderUnchanged) {
  ScratchFolder folder;
  folder.Copy(kSample, "MOSA_DB.mdb");
  int reports = 0;
  ExpectFailureLeavesFolder(folder, "cancelled", [&reports] { return ++reports > 1; });
}

TEST(ConvertInPlace, AFullDiskGivesTheMessageAndChangesNothing) {
  ScratchFolder folder;
  folder.Copy(kSample, "MOSA_DB.mdb");
  // A file-size limit stands in for a full disk: writes past it fail in the converting process.
  const Limits limits(64 * 1024, SIG_IGN);
  ExpectFailureLeavesFolder(folder, "Cannot write");
}

TEST(ConvertInPlace, AFolderThatCannotBeWrittenGivesTheMessageAndChangesNothing) {
  ScratchFolder folder;
  folder.Copy(kSample, "MOSA_DB.mdb");
  fs::permissions(folder.Path(), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const Snapshot before = TakeSnapshot(folder.Path());
  // Root writes anywhere, so the attempt runs as an ordinary user then.
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::geteuid() == 0) {
      const passwd* nobody = ::getpwnam("nobody");
      if (nobody == nullptr || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0) _exit(3);
    }
    try {
      ConvertInPlace((folder.Path() / "MOSA_DB.mdb").string(), kNoProgress, kNeverCancel);
    } catch (const import_rows::ImportError& error) {
      _exit(std::string(error.what()).starts_with("Cannot write in the folder " + folder.Path().string())
                ? 0
                : 2);
    }
    _exit(1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: converted anyway, 2: another message, 3: no unprivileged user";
  EXPECT_EQ(TakeSnapshot(folder.Path()), before);
}

}  // namespace
}  // namespace quorvia::access_import
