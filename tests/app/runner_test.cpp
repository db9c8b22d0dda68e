// quorvia-run as scripts use it: several at once on one program folder, and its exit status.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>

#include "demo_database.h"
#include "file_bytes.h"
#include "office_demo.h"
#include "office_test_support.h"
#include "report_template.h"
#include "run_command.h"
#include "sqlite_fixture.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::app {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;

using quorvia::testing::RunCommand;
using quorvia::testing::ShellQuote;

using quorvia::testing::QueryText;

class RunnerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto demo = quorvia::testing::MakeOfficeDemo({.folderPrefix = "quorvia-runner", .officeTag = "runner"});
    root_ = std::move(demo.root);
    system_ = std::move(demo.system);
  }
  static void TearDownTestSuite() {
    system_.reset();
    root_.reset();
  }

  static fs::path Database() { return root_->Path() / "MOSA_DB.mdb"; }
  // The runner with the offices it starts kept under the test's folder.
  static std::string Runner(const fs::path& folder) {
    return "XDG_CACHE_HOME=" + ShellQuote((root_->Path() / "cache").string()) + " " +
           std::string(QUORVIA_RUN_PATH) + " --folder " + ShellQuote(folder.string());
  }
  static std::string Region(int index) {
    return QueryText(Database(),
                     "SELECT DISTINCT N2 FROM DATA_AT ORDER BY N2 LIMIT 1 OFFSET " + std::to_string(index));
  }

  static std::unique_ptr<office::testing::TempFolder> root_;
  static std::unique_ptr<office::LibreOfficeSystem> system_;
};

std::unique_ptr<office::testing::TempFolder> RunnerTest::root_;
std::unique_ptr<office::LibreOfficeSystem> RunnerTest::system_;

TEST_F(RunnerTest, TwoUpdatesAtOnceInOneFolderTakeTurnsAndNeverMix) {
  const std::string first = Region(0);
  const std::string second = Region(1);
  const auto update = [&](const std::string& region) {
    return RunCommand(Runner(root_->Path()) + " --country 'AT Oesterreich' --nuts-level 2 --nuts " +
                      ShellQuote(region) + " --update 2>&1");
  };
  auto one = std::async(std::launch::async, update, first);
  auto other = std::async(std::launch::async, update, second);
  for (const auto& run : {one.get(), other.get()}) {
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("Excel Woorkbook updated successfully !"), std::string::npos) << run.output;
  }

  // Whichever ran last, FILTERED, the figures and the cover page all show its selection.
  const std::string filtered = QueryText(Database(), "SELECT sql FROM sqlite_master WHERE name = 'FILTERED'");
  const std::string last = filtered.find("N2 = '" + second + "'") != std::string::npos ? second : first;
  EXPECT_NE(filtered.find("N2 = '" + last + "'"), std::string::npos) << filtered;
  const auto probeOffice = system_->ConnectOrStartOffice();
  office::testing::WorkbookProbe probe(*probeOffice);
  const std::string book = probe.Load(root_->Path() / "MOSA_QUERY.xls");
  EXPECT_EQ(probe.CellText(book, "CoverPage", "B15"), last);
  EXPECT_NEAR(
      probe.PivotOutput(book, "Report").at("Total Result"),
      testing::QueryNumber(Database().string(), "SELECT sum(AREAHA) FROM DATA_AT WHERE N2 = '" + last + "'"),
      0.01);
}

TEST_F(RunnerTest, ExitStatusIsOneWhenTheWorkbookWasNotUpdated) {
  const office::testing::TempFolder scratch("quorvia-no-report");
  fs::copy_file(Database(), scratch.Path() / "MOSA_DB.mdb");
  const auto run = RunCommand(Runner(scratch.Path()) + " --country 'AT Oesterreich' --update 2>&1");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("NOT updated"), std::string::npos) << run.output;
}

// The summary's path and the report's PDF from the command line, and no summary when asked for none.
TEST_F(RunnerTest, PrintsTheSummaryAndWritesTheReportAsPdf) {
  const office::testing::TempFolder scratch("quorvia-runner-pdf");
  fs::copy_file(Database(), scratch.Path() / "MOSA_DB.mdb");
  fs::copy_file(root_->Path() / "MOSA_QUERY.xls", scratch.Path() / "MOSA_QUERY.xls");
  const std::string region = Region(0);
  const fs::path pdf = scratch.Path() / "report.pdf";
  const auto run = RunCommand(
      Runner(scratch.Path()) + " --country 'AT Oesterreich' --nuts-level 2 --batch Nuts " + "--item " +
      ShellQuote(region) + " --prefix Run --update --pdf " + ShellQuote(pdf.string()) + " 2>&1");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("Summary: " + (scratch.Path() / "Run summary.xls").string() + "\n"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("PDF: " + pdf.string()), std::string::npos) << run.output;
  EXPECT_NE(RunCommand("pdfinfo " + ShellQuote(pdf.string())).output.find("Pages:           2\n"),
            std::string::npos);

  const auto quiet =
      RunCommand(Runner(scratch.Path()) + " --country 'AT Oesterreich' --nuts-level 2 --batch Nuts " +
                 "--item " + ShellQuote(region) + " --prefix Quiet --no-summary 2>&1");
  EXPECT_EQ(quiet.status, 0) << quiet.output;
  EXPECT_EQ(quiet.output.find("Summary"), std::string::npos) << quiet.output;
  EXPECT_FALSE(fs::exists(scratch.Path() / "Quiet summary.xls"));
  EXPECT_FALSE(fs::exists(scratch.Path() / "Quiet summary.csv"));
}

using quorvia::testing::FileBytes;

// A workbook that cannot be written is seen before FILTERED is rewritten: the database and the report
// still show the same selection, the one before.
TEST_F(RunnerTest, AReadOnlyOrMissingWorkbookLeavesFilteredAndTheFileAsTheyWere) {
  const office::testing::TempFolder scratch("quorvia-read-only");
  fs::copy_file(Database(), scratch.Path() / "MOSA_DB.mdb");
  const fs::path report = scratch.Path() / "MOSA_QUERY.xls";
  fs::copy_file(root_->Path() / "MOSA_QUERY.xls", report);
  const auto update = [&](int region) {
    return RunCommand(Runner(scratch.Path()) + " --country 'AT Oesterreich' --nuts-level 2 --nuts " +
                      ShellQuote(Region(region)) + " --update 2>&1");
  };
  const auto filtered = [&] {
    return QueryText(scratch.Path() / "MOSA_DB.mdb", "SELECT sql FROM sqlite_master WHERE name = 'FILTERED'");
  };
  ASSERT_EQ(update(0).status, 0);
  const std::string before = filtered();
  const std::string bytes = FileBytes(report);

  fs::permissions(report, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  auto run = update(1);
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("NOT updated: the workbook " + report.string() + " is read-only"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("Nothing was changed: FILTERED and the workbook are as they were"),
            std::string::npos)
      << run.output;
  EXPECT_EQ(filtered(), before);
  EXPECT_TRUE(FileBytes(report) == bytes) << "the workbook changed";
  EXPECT_FALSE(fs::exists(scratch.Path() / ".~lock.MOSA_QUERY.xls#"));

  fs::remove(report);
  run = update(1);
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find(report.string() + " does not exist"), std::string::npos) << run.output;
  EXPECT_EQ(filtered(), before);
  EXPECT_FALSE(fs::exists(report));
}

// quorvia-run started in the background with its output going to `output`; its process id.
pid_t StartInBackground(const std::string& command, const fs::path& output) {
  // Through env, so that the signals the test sends reach the runner itself, not a shell around it.
  const std::string line = "exec env " + command + " >" + ShellQuote(output.string()) + " 2>&1";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

int ExitStatusOf(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

// The batch's copies in a folder ("Run_*.xls").
int CopiesIn(const fs::path& folder) {
  int copies = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    copies += name.starts_with("Run_") && name.ends_with(".xls");
  }
  return copies;
}

bool WaitForFirstCopy(const fs::path& folder) {
  for (int waited = 0; waited < 180'000 && CopiesIn(folder) == 0; waited += 20) ::usleep(20'000);
  return CopiesIn(folder) > 0;
}

// A batch of four regions told to stop by `signals` once its first copy is written: the runner ends with
// the status of the first signal, leaves no lock file, and FILTERED holds the selection of the report on
// disk. One signal lets the item in hand finish; a second right after it undoes that item.
void ExpectStopsInAgreement(const std::vector<int>& signals, const fs::path& database,
                            const fs::path& workbook, const std::function<std::string(int)>& region,
                            const std::function<std::string(const fs::path&)>& runner,
                            office::LibreOfficeSystem& probeSystem) {
  const office::testing::TempFolder scratch("quorvia-signal");
  fs::copy_file(database, scratch.Path() / "MOSA_DB.mdb");
  fs::copy_file(workbook, scratch.Path() / "MOSA_QUERY.xls");
  std::string command = runner(scratch.Path()) + " --country 'AT Oesterreich' --nuts-level 2 --batch Nuts";
  for (int i = 0; i < 4; ++i) command += " --item " + ShellQuote(region(i));
  const pid_t pid = StartInBackground(command + " --prefix Run", scratch.Path() / "output.txt");
  if (!WaitForFirstCopy(scratch.Path())) {
    ::kill(pid, SIGKILL);
    ExitStatusOf(pid);
    FAIL() << "no copy written: " << FileBytes(scratch.Path() / "output.txt");
  }
  for (const int signal : signals) {
    ::kill(pid, signal);
    ::usleep(100'000);
  }
  EXPECT_EQ(ExitStatusOf(pid), 128 + signals.front());

  // No lock file, and no half-written save of an office ended under it.
  for (const auto& entry : fs::directory_iterator(scratch.Path())) {
    const std::string name = entry.path().filename().string();
    EXPECT_FALSE(name.starts_with(".~lock.") || (name.starts_with("lu") && name.ends_with(".tmp"))) << name;
  }
  EXPECT_LT(CopiesIn(scratch.Path()), 4) << "the batch ran to its end";
  const std::string filtered =
      QueryText(scratch.Path() / "MOSA_DB.mdb", "SELECT sql FROM sqlite_master WHERE name = 'FILTERED'");
  const auto probeOffice = probeSystem.ConnectOrStartOffice();
  office::testing::WorkbookProbe probe(*probeOffice);
  const std::string shown = probe.CellText(probe.Load(scratch.Path() / "MOSA_QUERY.xls"), "CoverPage", "B15");
  EXPECT_NE(filtered.find("N2 = '" + shown + "'"), std::string::npos) << shown << " / " << filtered;
}

TEST_F(RunnerTest, SigintOrSigtermStopsABatchAfterTheItemInHand) {
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    ExpectStopsInAgreement({signal}, Database(), root_->Path() / "MOSA_QUERY.xls", Region, Runner, *system_);
  }
}

TEST_F(RunnerTest, ASecondSignalEndsTheRunAtOnceWithFilteredAndTheReportInAgreement) {
  ExpectStopsInAgreement({SIGTERM, SIGTERM}, Database(), root_->Path() / "MOSA_QUERY.xls", Region, Runner,
                         *system_);
}

}  // namespace
}  // namespace quorvia::app
