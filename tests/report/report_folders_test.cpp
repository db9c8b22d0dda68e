// The reports of two folders shown at once by quorvia-report, on its own profile, while the user's own
// LibreOffice runs on the default profile: both windows open, each titled with its folder, and an update
// in one folder refreshes that folder's window only.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "app/form1.h"
#include "demo_database.h"
#include "file_bytes.h"
#include "office_test_support.h"
#include "recording_modal_host.h"
#include "report/report_profile.h"
#include "report/report_window.h"
#include "report_template.h"
#include "run_command.h"
#include "virtual_display.h"
#include "workbook/office/libreoffice_system.h"
#include "workbook/office/process/office_processes.h"
#include "workbook/office/report_office.h"

namespace quorvia::report {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;
using quorvia::testing::RunCommand;
using quorvia::testing::ShellQuote;

constexpr const char* kWorkbook = "MOSA_QUERY.xls";

using quorvia::testing::FileBytes;

std::vector<pid_t> OfficePidsWith(const std::string& argumentPart) {
  std::vector<pid_t> pids;
  for (const auto& running : office::OfficeProcessesOfUser()) {
    if (running.HasArgumentContaining(argumentPart)) pids.push_back(running.pid);
  }
  return pids;
}

void EndOfficesWith(const std::string& argumentPart) {
  for (const pid_t pid : OfficePidsWith(argumentPart)) kill(pid, SIGTERM);
  for (int wait = 0; wait < 100 && !OfficePidsWith(argumentPart).empty(); ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  for (const pid_t pid : OfficePidsWith(argumentPart)) kill(pid, SIGKILL);
}

class ReportFoldersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    display_ = std::make_unique<testing::VirtualDisplay>();
    root_ = std::make_unique<office::testing::TempFolder>("quorvia-folders");
    fs::create_directories(Root() / "home");
    system_ =
        std::make_unique<office::LibreOfficeSystem>(office::testing::PrivateOfficeOptions(Root(), "tools"));
    tools::DemoOptions demo;
    demo.recordsPerCountry = 800;
    for (const char* name : {"A", "B"}) {
      fs::create_directories(Root() / name);
      tools::WriteDemoDatabase((Root() / name / "MOSA_DB.mdb").string(), demo);
    }
    tools::BuildReportTemplate(*system_, (Root() / "A" / kWorkbook).string());
    fs::copy_file(Root() / "A" / kWorkbook, Root() / "B" / kWorkbook);
    StartUsersOwnOffice();
  }
  static void TearDownTestSuite() {
    EndOfficesWith(ReportProfile());
    EndOfficesWith(UsersMarker());
    system_.reset();
    root_.reset();
    display_.reset();
  }

  static fs::path Root() { return root_->Path(); }
  // The user's own LibreOffice carries a harmless bootstrap variable that names it for the test.
  static std::string UsersMarker() { return "-env:QuorviaTestUsersOwn=" + Root().filename().string(); }
  static std::string ReportProfile() { return (Root() / "cache/quorvia/report-profile").string(); }
  static std::string Environment() {
    return "HOME=" + ShellQuote((Root() / "home").string()) +
           " XDG_CACHE_HOME=" + ShellQuote((Root() / "cache").string()) + " XDG_CONFIG_HOME= ";
  }

  // LibreOffice as the user starts it: the default profile (under the test's HOME), a new spreadsheet.
  static void StartUsersOwnOffice() {
    RunCommand(Environment() + "setsid " QUORVIA_LO_PROGRAM_DIR "/soffice --nologo --norestore --calc " +
               ShellQuote(UsersMarker()) + " >/dev/null 2>&1 &");
    RunCommand("timeout 90 xdotool search --sync --onlyvisible --name 'LibreOffice Calc' >/dev/null");
  }

  static quorvia::testing::CommandResult ShowReport(const std::string& argument) {
    return RunCommand(Environment() + ShellQuote(QUORVIA_REPORT_PROGRAM) + " " + ShellQuote(argument) +
                      " 2>&1");
  }

  static std::string CoverCell(const fs::path& folder, const std::string& cell) {
    auto shown = office::ConnectToReportOffice(folder.string());
    office::testing::WorkbookProbe probe(*shown);
    return probe.CellText(kWorkbook, "CoverPage", cell);
  }

  app::RecordingModalHost modals;
  static std::unique_ptr<testing::VirtualDisplay> display_;
  static std::unique_ptr<office::testing::TempFolder> root_;
  static std::unique_ptr<office::LibreOfficeSystem> system_;
};

std::unique_ptr<testing::VirtualDisplay> ReportFoldersTest::display_;
std::unique_ptr<office::testing::TempFolder> ReportFoldersTest::root_;
std::unique_ptr<office::LibreOfficeSystem> ReportFoldersTest::system_;

TEST_F(ReportFoldersTest, TwoFoldersBesideTheUsersOfficeAndAnUpdateRefreshesItsOwnWindowOnly) {
  const auto users = OfficePidsWith(UsersMarker());
  ASSERT_EQ(users.size(), 1u) << "the user's own LibreOffice did not start";

  // The first on its folder, the second on a file in its folder, as a file dropped on the menu entry.
  const auto a = ShowReport((Root() / "A").string());
  ASSERT_EQ(a.status, 0) << a.output;
  const auto b = ShowReport((Root() / "B" / "MOSA_DB.mdb").string());
  ASSERT_EQ(b.status, 0) << b.output;
  // The office started to hand the second folder's pipe over exits once it has.
  for (int wait = 0; wait < 100 && OfficePidsWith(ReportProfile()).size() > 1; ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(OfficePidsWith(ReportProfile()).size(), 1u) << "one office shows every folder's report";
  EXPECT_EQ(OfficePidsWith(UsersMarker()), users) << "the user's office is left as it was";
  for (const char* name : {"A", "B"}) {
    const auto window = RunCommand("timeout 30 xdotool search --sync --onlyvisible --name " +
                                   ShellQuote(ReportWindowTitle((Root() / name).string())));
    EXPECT_FALSE(window.output.empty()) << "no window titled with folder " << name;
  }
  // Set up once, without greetings.
  const std::string registry = FileBytes(fs::path(ReportProfile()) / "user/registrymodifications.xcu");
  EXPECT_NE(registry.find("\"ShowTipOfTheDay\" oor:op=\"fuse\"><value>false"), std::string::npos);

  const std::string bBefore = FileBytes(Root() / "B" / kWorkbook);
  auto options = office::testing::PrivateOfficeOptions(Root(), "quorvia_a");
  options.reportFolder = (Root() / "A").string();
  office::LibreOfficeSystem officeOfA(options);
  app::Form1 form((Root() / "A").string(), modals, officeOfA);
  ASSERT_TRUE(form.Form_Load());
  form.Option2(1)->click();
  form.Combo2()->setCurrentIndex(2);
  const std::string region = form.Combo2()->currentText().toStdString();
  form.Command1()->click();
  form.WaitForRun();
  ASSERT_TRUE(modals.messages.isEmpty()) << modals.messages.join("\n").toStdString();

  EXPECT_EQ(CoverCell(Root() / "A", "B15"), region) << "A's window shows the update";
  EXPECT_EQ(CoverCell(Root() / "B", "B15"), "") << "B's window is untouched";
  EXPECT_EQ(FileBytes(Root() / "B" / kWorkbook), bBefore);
  EXPECT_EQ(OfficePidsWith(ReportProfile()).size(), 1u);
}

// The user's own office holds a folder's report: quorvia-report names that office as what blocks it.
TEST_F(ReportFoldersTest, AReportHeldByTheUsersOfficeIsRefusedNamingThatOffice) {
  const fs::path folder = Root() / "held";
  fs::create_directories(folder);
  fs::copy_file(Root() / "A" / "MOSA_DB.mdb", folder / "MOSA_DB.mdb");
  fs::copy_file(Root() / "B" / kWorkbook, folder / kWorkbook);
  RunCommand(Environment() + "setsid " QUORVIA_LO_PROGRAM_DIR "/soffice " +
             ShellQuote((folder / kWorkbook).string()) + " >/dev/null 2>&1 &");
  const fs::path lock = folder / ".~lock.MOSA_QUERY.xls#";
  for (int wait = 0; wait < 600 && !fs::exists(lock); ++wait)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(fs::exists(lock));
  const auto users = OfficePidsWith(UsersMarker());
  ASSERT_EQ(users.size(), 1u);

  const auto refused = ShowReport(folder.string());
  EXPECT_EQ(refused.status, 1) << refused.output;
  EXPECT_NE(refused.output.find("MOSA_QUERY.xls is open in LibreOffice (process " + std::to_string(users[0])),
            std::string::npos)
      << refused.output;
  EXPECT_NE(refused.output.find("on the profile " + (Root() / "home/.config/libreoffice/4").string()),
            std::string::npos)
      << refused.output;

  // Run from a session with another HOME, the office on that HOME's default profile still holds the file:
  // its lock is no leftover and stays.
  const auto elsewhere =
      RunCommand("HOME=" + ShellQuote((Root() / "elsewhere").string()) +
                 " XDG_CACHE_HOME=" + ShellQuote((Root() / "cache").string()) + " " +
                 ShellQuote(QUORVIA_REPORT_PROGRAM) + " " + ShellQuote(folder.string()) + " 2>&1");
  EXPECT_EQ(elsewhere.status, 1) << elsewhere.output;
  EXPECT_NE(elsewhere.output.find("(process " + std::to_string(users[0])), std::string::npos)
      << elsewhere.output;
  EXPECT_TRUE(fs::exists(lock));
}

TEST(ReportProfileSettings, AreAddedOnceAndOnlyToARegistry) {
  const std::string registry =
      "<?xml version=\"1.0\"?>\n<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\">\n"
      "<item oor:path=\"/x\"><prop oor:name=\"y\" oor:op=\"fuse\"><value>1</value></prop></item>\n"
      "</oor:items>\n";
  const std::string quiet = WithQuietSettings(registry, "7.4");
  EXPECT_NE(quiet.find("ShowTipOfTheDay"), std::string::npos);
  EXPECT_NE(quiet.find("<value>7.4</value>"), std::string::npos);
  EXPECT_TRUE(quiet.ends_with("</oor:items>\n")) << quiet;
  EXPECT_EQ(WithQuietSettings(quiet, "7.4"), quiet) << "written once";
  EXPECT_EQ(WithQuietSettings("not a registry", "7.4"), "not a registry");
  EXPECT_EQ(WithQuietSettings(registry, "").find("ooSetupLastVersion"), std::string::npos);
  EXPECT_FALSE(InstalledOfficeVersion(fs::path(QUORVIA_LO_PROGRAM_DIR) / "bootstraprc").empty());
}

}  // namespace
}  // namespace quorvia::report
