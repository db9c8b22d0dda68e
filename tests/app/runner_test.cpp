// quorvia-run as scripts use it: several at once on one program folder, and its exit status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <future>

#include "demo_database.h"
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

}  // namespace
}  // namespace quorvia::app
