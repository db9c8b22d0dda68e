// quorvia-import as a user runs it: its messages, its exit status and what it leaves in the folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "import_test_support.h"

namespace quorvia::access_import {
namespace {

using namespace testing;

constexpr const char* kSample = "landcover-sample-jet4.mdb";

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

// What a conversion killed outright leaves: its temporary file and SQLite's journal of it, named after its
// target and its process. A later conversion in that folder, for another target, removes them once that
// process has gone, and keeps those of a conversion still running.
TEST(QuorviaImport, AConversionRemovesWhatAKilledOneForAnotherTargetLeft) {
  ScratchFolder folder;
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  ASSERT_GT(ended, 0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  const std::string killed = ".a.sqlite.converting-" + std::to_string(ended) + "-Xk3q9Z";
  const std::string running = ".c.sqlite.converting-" + std::to_string(::getpid()) + "-Pw7m2R";
  for (const std::string& name : {killed, killed + "-journal", running}) WriteBytes(folder.Path() / name, "x");

  const auto other =
      RunCommand(std::string(QUORVIA_IMPORT_PATH) + " " + ShellQuote(Sample("queryTestV2000.mdb").string()) +
                 " " + ShellQuote((folder.Path() / "b.sqlite").string()) + " 2>&1");
  EXPECT_EQ(other.status, 0) << other.output;
  EXPECT_FALSE(fs::exists(folder.Path() / killed));
  EXPECT_FALSE(fs::exists(folder.Path() / (killed + "-journal")));
  EXPECT_TRUE(fs::exists(folder.Path() / running)) << "a running conversion's file is kept";
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
  EXPECT_EQ(wrong.status, 2);
  EXPECT_EQ(wrong.output.find("quorvia-import: a conversion needs SOURCE and TARGET; 1 file was given"), 0u)
      << wrong.output;
}

}  // namespace
}  // namespace quorvia::access_import

namespace quorvia::access_import {
namespace {

// A copy of the sample with every 13th byte from the fourth page on overwritten (the same bytes each
// time): the catalogue and the data pages are damaged, the header is not, so the Access library reads on
// and says a lot about it.
fs::path DamagedCopy(const ScratchFolder& folder) {
  const fs::path copy = folder.Copy(kSample, "damaged.mdb");
  std::fstream file(copy, std::ios::in | std::ios::out | std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::uint32_t state = 12345;
  for (std::size_t i = 3 * 4096; i < bytes.size(); i += 13) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(state >> 24);
  }
  file.seekp(0);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return copy;
}

// Whatever the form, standard error holds our one message about the file and nothing of the library's.
TEST(QuorviaImport, ADamagedFileGetsOurMessageAlone) {
  ScratchFolder folder;
  const fs::path damaged = DamagedCopy(folder);
  const std::string program = ShellQuote(QUORVIA_IMPORT_PATH);
  for (const std::string& arguments :
       {ShellQuote(damaged.string()) + " " + ShellQuote((folder.Path() / "out.sqlite").string()),
        "--to 'host=/nonexistent dbname=none' " + ShellQuote(damaged.string())}) {
    const auto run = RunCommand(program + " " + arguments + " 2>&1 >/dev/null");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_EQ(run.output.find("Cannot convert " + damaged.string() + ": "), 0u) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
  }
}

}  // namespace
}  // namespace quorvia::access_import
