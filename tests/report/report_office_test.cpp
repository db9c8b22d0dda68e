// The report shown by quorvia-report in a visible office under a display of the test's own: Quorvia
// refreshes that very window, and a report held by an office it cannot reach is left alone.
#include <gtest/gtest.h>
#include <signal.h>

#include <QListWidget>
#include <QProcess>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "app/form1.h"
#include "batch_dialog/form2.h"
#include "demo_database.h"
#include "file_bytes.h"
#include "office_demo.h"
#include "office_test_support.h"
#include "recording_modal_host.h"
#include "report/report_window.h"
#include "report_template.h"
#include "sqlite_fixture.h"
#include "virtual_display.h"
#include "workbook/office/libreoffice_system.h"
#include "workbook/office/process/office_processes.h"
#include "workbook/office/process/office_slots.h"
#include "workbook/office/report_office.h"
#include "workbook/office/uno/uno_connection.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"

namespace quorvia::report {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;
using app::Form1;
using app::RecordingModalHost;

constexpr const char* kWorkbook = "MOSA_QUERY.xls";

struct ProgramRun {
  int exitCode = -1;
  std::string output;  // standard output and error
};

ProgramRun RunProgram(const std::string& program, const QStringList& arguments, const fs::path& home) {
  QProcess process;
  auto environment = QProcessEnvironment::systemEnvironment();
  environment.insert("HOME", QString::fromStdString(home.string()));
  process.setProcessEnvironment(environment);
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.start(QString::fromStdString(program), arguments);
  process.waitForFinished(180000);
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAll().toStdString()};
}

ProgramRun RunReportProgram(const fs::path& folder, const fs::path& profile, const fs::path& home) {
  return RunProgram(QUORVIA_REPORT_PROGRAM,
                    {"--folder", QString::fromStdString(folder.string()), "--profile",
                     QString::fromStdString(profile.string())},
                    home);
}

std::vector<pid_t> OfficePidsWith(const std::string& argumentPart) {
  std::vector<pid_t> pids;
  for (const auto& office : workbook::office::OfficeProcessesOfUser()) {
    if (office.HasArgumentContaining(argumentPart)) pids.push_back(office.pid);
  }
  return pids;
}

// Ends the offices this test started (found by an argument only they carry), by their process ids.
void EndOfficesWith(const std::string& argumentPart) {
  for (const pid_t pid : OfficePidsWith(argumentPart)) kill(pid, SIGTERM);
  for (int wait = 0; wait < 100 && !OfficePidsWith(argumentPart).empty(); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  for (const pid_t pid : OfficePidsWith(argumentPart)) kill(pid, SIGKILL);
}

using quorvia::testing::FileBytes;

// The pivot's grand total and the cover cells that a run writes.
struct Report {
  double total = 0;
  std::map<std::string, std::string> cover;
};

Report ReadReport(office::LibreOfficeApplication& connection, const std::string& workbook) {
  office::testing::WorkbookProbe probe(connection);
  Report report;
  const auto figures = probe.PivotOutput(workbook, "Report");
  if (const auto total = figures.find("Total Result"); total != figures.end()) report.total = total->second;
  for (const char* cell : {"B13", "B15", "B20"})
    report.cover[cell] = probe.CellText(workbook, "CoverPage", cell);
  return report;
}

class ReportOfficeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    display_ = std::make_unique<testing::VirtualDisplay>();
    auto demo = quorvia::testing::MakeOfficeDemo({.folderPrefix = "quorvia-report",
                                                  .officeTag = "quorvia",
                                                  .database = "program/MOSA_DB.mdb",
                                                  .workbook = fs::path("program") / kWorkbook,
                                                  .reportFolder = "program"});
    root_ = std::move(demo.root);
    system_ = std::move(demo.system);
    fs::copy_file(Folder() / kWorkbook, Root() / "template.xls");
    headless_ = system_->ConnectOrStartOffice();
    firstShow_ = RunReportProgram(Folder(), Root() / "report-profile", Home());
  }
  static void TearDownTestSuite() {
    EndOfficesWith(office::ReportOfficePipeName(Folder().string()));
    headless_.reset();
    system_.reset();
    root_.reset();
    display_.reset();
  }

  static fs::path Root() { return root_->Path(); }
  static fs::path Folder() { return Root() / "program"; }
  static fs::path Home() { return Root() / "home"; }
  static std::string Pipe() { return office::ReportOfficePipeName(Folder().string()); }
  static double AreaOfRegion(const fs::path& folder, const std::string& region) {
    return quorvia::testing::QueryNumber((folder / "MOSA_DB.mdb").string(),
                                         "SELECT sum(AREAHA) FROM DATA_AT WHERE N2 = '" + region + "'");
  }

  // What the file on disk holds, read from a copy so that the open report is not disturbed.
  static Report ReportOnDisk(const fs::path& file) {
    static int copies = 0;
    const fs::path copy = Root() / ("on-disk-" + std::to_string(++copies) + ".xls");
    fs::copy_file(file, copy);
    office::testing::WorkbookProbe probe(*headless_);
    const auto name = probe.Load(copy);
    return ReadReport(*headless_, name);
  }

  void AnswerDialog(const QStringList& regions, const QString& prefix) {
    modals.inputAnswer = prefix;
    modals.driveDialog = [=](QDialog& dialog) {
      auto& form2 = dynamic_cast<batch_dialog::Form2&>(dialog);
      form2.List1(0)->findItems("Nuts", Qt::MatchExactly).front()->setSelected(true);
      form2.Command1_Click();
      for (const auto& region : regions)
        form2.List1(1)->findItems(region, Qt::MatchExactly).front()->setSelected(true);
      form2.Command1_Click();
    };
  }

  RecordingModalHost modals;

  static std::unique_ptr<testing::VirtualDisplay> display_;
  static std::unique_ptr<office::testing::TempFolder> root_;
  static std::unique_ptr<office::LibreOfficeSystem> system_;
  static std::unique_ptr<office::LibreOfficeApplication> headless_;
  static ProgramRun firstShow_;
};

std::unique_ptr<testing::VirtualDisplay> ReportOfficeTest::display_;
std::unique_ptr<office::testing::TempFolder> ReportOfficeTest::root_;
std::unique_ptr<office::LibreOfficeSystem> ReportOfficeTest::system_;
std::unique_ptr<office::LibreOfficeApplication> ReportOfficeTest::headless_;
ProgramRun ReportOfficeTest::firstShow_;

TEST_F(ReportOfficeTest, UpdateRefreshesTheShownReportInPlaceAndLeavesItsOfficeRunning) {
  ASSERT_EQ(firstShow_.exitCode, 0) << firstShow_.output;
  const auto officeBefore = OfficePidsWith(Pipe());
  ASSERT_EQ(officeBefore.size(), 1u);

  Form1 form(Folder().string(), modals, *system_);
  ASSERT_TRUE(form.Form_Load());
  form.Option2(1)->click();
  form.Combo2()->setCurrentIndex(2);
  const std::string region = form.Combo2()->currentText().toStdString();
  auto shown = office::ConnectToReportOffice(Folder().string());
  shown->SelectSheet(kWorkbook, 2);  // the user reads the report sheet
  form.Command1()->click();
  form.WaitForRun();
  EXPECT_EQ(shown->ActiveSheetPosition(kWorkbook), 2) << "the user's sheet is in front again";

  ASSERT_TRUE(modals.messages.isEmpty()) << modals.messages.join("\n").toStdString();
  EXPECT_EQ(form.Label1()->text().split("\r\n").value(2).toStdString(),
            " Excel Woorkbook updated successfully !");
  const double expected = AreaOfRegion(Folder(), region);
  const Report onScreen = ReadReport(*shown, kWorkbook);
  EXPECT_NEAR(onScreen.total, expected, 0.01);
  EXPECT_EQ(onScreen.cover.at("B15"), region);
  const Report onDisk = ReportOnDisk(Folder() / kWorkbook);
  EXPECT_NEAR(onDisk.total, expected, 0.01);
  EXPECT_EQ(onDisk.cover.at("B15"), region);
  EXPECT_EQ(OfficePidsWith(Pipe()), officeBefore) << "the user's office must keep running";
  EXPECT_TRUE(ReportWindowShown(*shown));

  // Asked again, the program finds the window it showed instead of starting a second office.
  const auto again = RunReportProgram(Folder(), Root() / "report-profile", Home());
  EXPECT_EQ(again.exitCode, 0) << again.output;
  EXPECT_NE(again.output.find("brought to the front"), std::string::npos) << again.output;
  EXPECT_EQ(OfficePidsWith(Pipe()), officeBefore);
}

TEST_F(ReportOfficeTest, BatchWritesCorrectCopiesAndTheShownReportEndsOnTheLastItem) {
  ASSERT_EQ(firstShow_.exitCode, 0) << firstShow_.output;
  Form1 form(Folder().string(), modals, *system_);
  ASSERT_TRUE(form.Form_Load());
  form.Option2(1)->click();
  const QString first = form.Combo2()->itemText(1);
  const QString last = form.Combo2()->itemText(3);
  AnswerDialog({first, last}, "Live");
  form.Command2_Click();
  form.WaitForRun();
  EXPECT_EQ(form.Label1()->text(), "Tasks finished\r\nSummary: Live summary.xls, Live summary.csv");

  for (const auto& region : {first, last}) {
    const fs::path copy = Folder() / ("Live_" + region.toStdString() + ".xls");
    ASSERT_TRUE(fs::exists(copy)) << copy;
    const Report report = ReportOnDisk(copy);
    EXPECT_NEAR(report.total, AreaOfRegion(Folder(), region.toStdString()), 0.01) << copy;
    EXPECT_EQ(report.cover.at("B15"), region.toStdString());
  }
  auto shown = office::ConnectToReportOffice(Folder().string());
  const Report onScreen = ReadReport(*shown, kWorkbook);
  EXPECT_NEAR(onScreen.total, AreaOfRegion(Folder(), last.toStdString()), 0.01);
  EXPECT_EQ(onScreen.cover.at("B15"), last.toStdString());
  EXPECT_TRUE(ReportWindowShown(*shown));
}

// The desktop program started the usual way holds the report: Quorvia cannot reach it, so it says so and
// leaves the file alone; quorvia-report names that office as what keeps the report from being shown.
TEST_F(ReportOfficeTest, ReportHeldByAnOfficeQuorviaCannotReachIsLeftAloneWithAnHonestLabel) {
  ASSERT_TRUE(fs::exists(QUORVIA_LO_PROGRAM_DIR "/libscuilo.so"))
      << "an office with windows needs the full Calc (libreoffice-calc): run scripts/setup.sh";
  const fs::path folder = Root() / "elsewhere";
  fs::create_directories(folder);
  fs::copy_file(Folder() / "MOSA_DB.mdb", folder / "MOSA_DB.mdb");
  fs::copy_file(Root() / "template.xls", folder / kWorkbook);
  const fs::path profile = Root() / "desktop-profile";
  const std::string profileUrl = "file://" + profile.string();
  QProcess desktop;
  auto environment = QProcessEnvironment::systemEnvironment();
  environment.insert("HOME", QString::fromStdString(Home().string()));
  desktop.setProcessEnvironment(environment);
  desktop.start(QUORVIA_LO_PROGRAM_DIR "/soffice",
                {"--nologo", "--norestore", QString::fromStdString("-env:UserInstallation=" + profileUrl),
                 QString::fromStdString((folder / kWorkbook).string())});
  const fs::path lock = office::OfficeLockFileOf(folder / kWorkbook);
  for (int wait = 0; wait < 600 && !fs::exists(lock); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_TRUE(fs::exists(lock)) << "the desktop office did not open the report";
  const std::string before = FileBytes(folder / kWorkbook);

  auto options = office::testing::PrivateOfficeOptions(Root(), "elsewhere");
  options.reportFolder = folder.string();
  office::LibreOfficeSystem system(options);
  Form1 form(folder.string(), modals, system);
  ASSERT_TRUE(form.Form_Load());
  form.Command1()->click();
  form.WaitForRun();
  EXPECT_TRUE(form.Label1()->text().split("\r\n").value(2).startsWith(
      " Excel workbook NOT updated: MOSA_QUERY.xls is open in another program; close it, or open it "
      "with quorvia-report. Its lock file "))
      << form.Label1()->text().toStdString();
  EXPECT_EQ(FileBytes(folder / kWorkbook), before);

  const auto refused = RunReportProgram(folder, profile, Home());
  EXPECT_EQ(refused.exitCode, 1) << refused.output;
  EXPECT_NE(refused.output.find("MOSA_QUERY.xls is open in LibreOffice (process "), std::string::npos)
      << refused.output;

  EndOfficesWith(profileUrl);
  desktop.waitForFinished(10000);
}

// Quorvia and quorvia-report name the pipe each from its own idea of the folder: however the folder is
// written, one folder gives one pipe, and two folders never share one.
TEST(ReportOfficePipe, OneFolderOnePipeHoweverItIsWritten) {
  const office::testing::TempFolder root("quorvia-pipe");
  fs::create_directories(root.Path() / "a");
  fs::create_directories(root.Path() / "b");
  fs::create_directory_symlink(root.Path() / "a", root.Path() / "link");
  const std::string a = office::ReportOfficePipeName((root.Path() / "a").string());
  EXPECT_TRUE(office::IsValidPipeName(a)) << a;
  EXPECT_EQ(office::ReportOfficePipeName((root.Path() / "a/").string()), a);
  EXPECT_EQ(office::ReportOfficePipeName((root.Path() / "b/../a").string()), a);
  EXPECT_EQ(office::ReportOfficePipeName((root.Path() / "link").string()), a);
  EXPECT_NE(office::ReportOfficePipeName((root.Path() / "b").string()), a);
}

}  // namespace
}  // namespace quorvia::report
