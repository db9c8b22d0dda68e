// What the conversion leaves in the folder: the converted file and the original byte for byte on
// success; on any failure, cancel included, the folder exactly as it was.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "access_import/file_placement.h"
#include "access_import/import_error.h"
#include "import_test_support.h"

namespace quorvia::access_import {
namespace {

using namespace testing;

constexpr const char* kSample = "landcover-sample-jet4.mdb";

std::string SqliteHeader(const fs::path& file) { return ReadBytes(file).substr(0, 16); }

const ProgressFn kNoProgress = [](const ImportProgress&) {};
const CancelFn kNeverCancel = [] { return false; };

// Converts in place, expecting a failure whose message contains `expected`; the folder must not change.
void ExpectFailureLeavesFolder(const ScratchFolder& folder, const std::string& expected,
                               const CancelFn& cancel = kNeverCancel) {
  const Snapshot before = TakeSnapshot(folder.Path());
  try {
    ConvertInPlace((folder.Path() / "MOSA_DB.mdb").string(), kNoProgress, cancel);
    ADD_FAILURE() << "the conversion succeeded";
  } catch (const ImportError& error) {
    EXPECT_NE(std::string(error.what()).find(expected), std::string::npos) << error.what();
    EXPECT_NE(std::string(error.what()).find("MOSA_DB.mdb"), std::string::npos) << error.what();
  }
  EXPECT_EQ(TakeSnapshot(folder.Path()), before);
}

TEST(ConvertInPlace, KeepsTheOriginalByteForByteUnderTheFirstFreeName) {
  ScratchFolder folder;
  const fs::path database = folder.Copy(kSample, "MOSA_DB.mdb");
  WriteBytes(folder.Path() / "MOSA_DB.access.mdb", "an earlier original");
  std::vector<ImportProgress> reports;
  const auto result = ConvertInPlace(
      database.string(), [&](const ImportProgress& p) { reports.push_back(p); }, kNeverCancel);

  EXPECT_EQ(fs::path(result.keptAs).filename(), "MOSA_DB.access (2).mdb");
  EXPECT_EQ(ReadBytes(result.keptAs), ReadBytes(Sample(kSample)));
  EXPECT_EQ(ReadBytes(folder.Path() / "MOSA_DB.access.mdb"), "an earlier original");
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
  EXPECT_EQ(ReadBytes(running), "half written");  // its process still runs: not ours to remove
}

TEST(ConvertInPlace, BadFilesGiveTheMessageAndChangeNothing) {
  const std::string original = ReadBytes(Sample(kSample));
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
    } catch (const ImportError& error) {
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

TEST(QuorviaImport, ConvertsReportsAndNeverReplacesAFile) {
  ScratchFolder folder;
  const fs::path target = folder.Path() / "land cover.sqlite";
  const std::string command = std::string(QUORVIA_IMPORT_PATH) + " " +
                              ShellQuote(Sample("queryTestV2000.mdb").string()) + " " +
                              ShellQuote(target.string()) + " 2>&1";
  const auto converted = RunCommand(command);
  EXPECT_EQ(converted.status, 0) << converted.output;
  EXPECT_NE(converted.output.find("Table 3/3 Table3: 0 of 0 rows"), std::string::npos) << converted.output;
  EXPECT_NE(converted.output.find("Converted 3 tables, 0 rows in "), std::string::npos) << converted.output;
  EXPECT_NE(converted.output.find("9 stored queries not converted"), std::string::npos) << converted.output;

  const Snapshot before = TakeSnapshot(folder.Path());
  const auto again = RunCommand(command);
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.output.find("exists"), std::string::npos) << again.output;
  EXPECT_EQ(TakeSnapshot(folder.Path()), before);
}

// quorvia-import killed outright in the middle of a conversion, then run again in that folder for another
// target: the second run removes what the first one left.
TEST(QuorviaImport, AConversionRemovesWhatAKilledOneForAnotherTargetLeft) {
  ScratchFolder folder;
  const fs::path source = folder.Copy("landcover-200k-jet4.mdb", "big.mdb");
  const pid_t killed = fork();
  if (killed == 0) {
    execl(QUORVIA_IMPORT_PATH, QUORVIA_IMPORT_PATH, source.c_str(), (folder.Path() / "a.sqlite").c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(killed, 0);
  const auto leftovers = [&] {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
      count += entry.path().filename().string().starts_with(".a.sqlite.converting-");
    }
    return count;
  };
  for (int wait = 0; wait < 200 && leftovers() == 0; ++wait) usleep(20'000);
  ::kill(killed, SIGKILL);
  ::waitpid(killed, nullptr, 0);
  ASSERT_GT(leftovers(), 0) << "the conversion was killed before it wrote anything";

  const auto other =
      RunCommand(std::string(QUORVIA_IMPORT_PATH) + " " + ShellQuote(Sample("queryTestV2000.mdb").string()) +
                 " " + ShellQuote((folder.Path() / "b.sqlite").string()) + " 2>&1");
  EXPECT_EQ(other.status, 0) << other.output;
  EXPECT_EQ(leftovers(), 0);
  EXPECT_FALSE(fs::exists(folder.Path() / "a.sqlite"));
}

TEST(QuorviaImport, OptionsStandAnywhereAndHelpIsPrintedOnce) {
  const std::string program = QUORVIA_IMPORT_PATH;
  const auto help = RunCommand(program + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.find("Usage:"), 0u) << help.output;
  EXPECT_EQ(help.output.find("Usage:", 1), std::string::npos) << "printed once";
  EXPECT_TRUE(help.output.ends_with("\n"));

  // The source first and the connection after it: the options are read, and the load is tried (and
  // fails on a server that is not there), rather than refused with the usage.
  ScratchFolder folder;
  const fs::path source = folder.Copy(kSample, "MOSA_DB.mdb");
  const auto load = RunCommand(program + " " + ShellQuote(source.string()) +
                               " --to 'host=/nonexistent dbname=none' --replace 2>&1");
  EXPECT_EQ(load.status, 1);
  EXPECT_EQ(load.output.find("Usage:"), std::string::npos) << load.output;
  EXPECT_NE(load.output.find("/nonexistent"), std::string::npos) << load.output;

  const auto wrong = RunCommand(program + " " + ShellQuote(source.string()) + " 2>&1");
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.output.find("quorvia-import: a conversion needs SOURCE and TARGET; 1 file was given"), 0u)
      << wrong.output;
}

}  // namespace
}  // namespace quorvia::access_import
