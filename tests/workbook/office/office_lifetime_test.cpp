// Who starts and who ends the office: an office started by a LibreOfficeSystem never outlives it (nor the
// program), and an office it merely connected to is never ended by it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "office_test_support.h"
#include "report_template.h"
#include "workbook/office/process/office_process.h"
#include "workbook/office/uno/uno_text.h"

namespace quorvia::workbook::office::testing {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

bool GoneWithin(pid_t pid, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!ProcessGone(pid)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

class OfficeLifetimeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { root_ = std::make_unique<TempFolder>("quorvia-office-lifetime"); }
  static void TearDownTestSuite() { root_.reset(); }
  // All tests share one profile (offices here never run side by side), so only the first start builds it.
  static OfficeOptions Options() { return PrivateOfficeOptions(root_->Path(), "lifetime"); }
  static std::unique_ptr<TempFolder> root_;
};
std::unique_ptr<TempFolder> OfficeLifetimeTest::root_;

TEST_F(OfficeLifetimeTest, TheOfficeAnObjectStartedIsGoneWhenTheObjectIs) {
  pid_t pid = 0;
  {
    LibreOfficeSystem system(Options());
    const auto office = system.CreateInstance();
    EXPECT_EQ(office->WorkbookCount(), 0);
    ASSERT_TRUE(system.StartedOfficePid().has_value());
    pid = *system.StartedOfficePid();
    // The process we hold is the office itself, not a launcher that handed it on.
    std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    comm >> name;
    EXPECT_EQ(name, "soffice.bin");
  }
  EXPECT_TRUE(ProcessGone(pid));
}

TEST_F(OfficeLifetimeTest, QuitParksOnlyAnOfficeThisSystemStartedWhichEndsWithTheSystem) {
  const auto options = Options();
  pid_t pid = 0;
  {
    LibreOfficeSystem owner(options);
    const auto ownersHandle = owner.CreateInstance();
    pid = *owner.StartedOfficePid();

    LibreOfficeSystem guest(options);
    auto guestsHandle = guest.CreateInstance();  // connects: the office already listens on the pipe
    EXPECT_FALSE(guest.StartedOfficePid().has_value());
    guestsHandle->Quit();
    EXPECT_THROW(guestsHandle->WorkbookCount(), AutomationError) << "a quit handle is let go of";
    EXPECT_FALSE(ProcessGone(pid));
    EXPECT_NO_THROW(guest.GetRunningInstance()->WorkbookCount());
    EXPECT_FALSE(owner.OfficeParked());

    owner.GetRunningInstance()->Quit();
    EXPECT_FALSE(ProcessGone(pid)) << "parked, not ended";
    EXPECT_TRUE(owner.OfficeParked());
    EXPECT_THROW(owner.GetRunningInstance(), AutomationError);
    EXPECT_EQ(owner.CreateInstance()->WorkbookCount(), 0);
    EXPECT_EQ(owner.StartedOfficePid(), pid);
  }
  EXPECT_TRUE(ProcessGone(pid));
}

TEST_F(OfficeLifetimeTest, DocumentsAreClosedBeforeTheOfficeEndsSoNoLockFileStays) {
  const auto folder = root_->Path() / "program";
  fs::create_directories(folder);
  pid_t pid = 0;
  {
    LibreOfficeSystem system(Options());
    tools::BuildReportTemplate(system, (folder / "MOSA_QUERY.xls").string());
    const auto office = system.ConnectOrStartOffice();
    office->OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
    ASSERT_TRUE(fs::exists(folder / ".~lock.MOSA_QUERY.xls#"));
    // The lock file names the office's profile: that is how a leftover of ours is told from another's.
    std::ifstream lock(folder / ".~lock.MOSA_QUERY.xls#");
    const std::string text(std::istreambuf_iterator<char>(lock), {});
    EXPECT_NE(text.find(ToUtf8(FileUrlFromPath(Options().profileDir)) + ";"), std::string::npos) << text;
    pid = *system.StartedOfficePid();
  }
  EXPECT_TRUE(ProcessGone(pid));
  EXPECT_FALSE(fs::exists(folder / ".~lock.MOSA_QUERY.xls#"));
}

TEST_F(OfficeLifetimeTest, LeftoversOfAProcessKilledOutrightAreRemovedByTheNextOnTheSameFolders) {
  const auto options = Options();
  const auto folder = root_->Path() / "killed-program";
  fs::create_directories(folder);
  fs::create_directories(options.homeDir);
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  // What a Quorvia killed while its office saved leaves: its record, the office's lock file naming the
  // profile, and the half-written save file named after the office's process id.
  std::ofstream(fs::path(options.homeDir) / "quorvia-office.journal")
      << "process " << dead << "\noffice " << dead << "\nfile " << (folder / "MOSA_QUERY.xls").string()
      << "\n";
  std::ofstream(folder / "MOSA_QUERY.xls") << "report";
  const std::string ours =
      ",LocalHost/quorvia,host,quorvia,09.12.2026 01:00," + ToUtf8(FileUrlFromPath(options.profileDir)) + ";";
  std::ofstream(folder / ".~lock.MOSA_QUERY.xls#") << ours;
  const auto saveFile = folder / ("lu" + std::to_string(dead) + "qx7.tmp");
  std::ofstream(saveFile) << "half";
  // Someone else's lock file and temporary file stay.
  std::ofstream(folder / ".~lock.other.xls#")
      << ",someone,otherhost,someone,01.01.2024 10:00,file:///home/someone;";
  std::ofstream(folder / "other.xls") << "theirs";
  std::ofstream(folder / "lu1abc.tmp") << "theirs";

  const LibreOfficeSystem next(options);

  EXPECT_FALSE(fs::exists(folder / ".~lock.MOSA_QUERY.xls#"));
  EXPECT_FALSE(fs::exists(saveFile));
  EXPECT_TRUE(fs::exists(folder / ".~lock.other.xls#"));
  EXPECT_TRUE(fs::exists(folder / "lu1abc.tmp"));
  EXPECT_TRUE(fs::exists(folder / "MOSA_QUERY.xls"));
}

// The warm-up works on a copy in the office's own folder: the report keeps its bytes and its folder gets
// no lock or temporary file, and the office is parked with nothing open.
TEST_F(OfficeLifetimeTest, ABackgroundStartWarmsUpOnACopyAndParksAnOfficeThatTheFirstCreateTakes) {
  const auto folder = root_->Path() / "warm-up";
  fs::create_directories(folder);
  const auto report = folder / "MOSA_QUERY.xls";
  {
    LibreOfficeSystem builder(Options());
    tools::BuildReportTemplate(builder, report.string());
  }
  const auto before = fs::last_write_time(report);
  const auto size = fs::file_size(report);

  LibreOfficeSystem system(Options());
  system.StartParkedInBackground(report.string());
  EXPECT_THROW(system.GetRunningInstance(), AutomationError);
  ASSERT_TRUE(system.OfficeParked());
  const pid_t pid = *system.StartedOfficePid();
  EXPECT_EQ(system.CreateInstance()->WorkbookCount(), 0);
  EXPECT_EQ(system.StartedOfficePid(), pid);

  EXPECT_EQ(fs::last_write_time(report), before);
  EXPECT_EQ(fs::file_size(report), size);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
  for (const auto& entry : fs::directory_iterator(Options().OfficeTempDir())) {
    EXPECT_EQ(entry.path().filename().string().find("warm-up"), std::string::npos) << entry.path();
  }
}

// A run of the window creates the instance on a thread of its own that ends with the run; the office it
// started must stay, parked, for the next run, and still end with its system.
TEST_F(OfficeLifetimeTest, AnOfficeStartedFromAThreadThatHasEndedStaysForItsSystem) {
  pid_t pid = 0;
  {
    LibreOfficeSystem system(Options());
    std::thread run([&] { EXPECT_EQ(system.CreateInstance()->WorkbookCount(), 0); });
    run.join();
    ASSERT_TRUE(system.StartedOfficePid().has_value());
    pid = *system.StartedOfficePid();
    EXPECT_FALSE(GoneWithin(pid, 1s)) << "the office died with the thread of the run";
    EXPECT_TRUE(system.OfficeParked());
    EXPECT_EQ(system.CreateInstance()->WorkbookCount(), 0);
    EXPECT_EQ(system.StartedOfficePid(), pid);
  }
  EXPECT_TRUE(GoneWithin(pid, 5s));
}

TEST_F(OfficeLifetimeTest, AnOfficeDiesWithTheProgramThatStartedItEvenOnACrash) {
  int channel[2];
  ASSERT_EQ(pipe(channel), 0);
  const auto options = Options();
  const pid_t program = fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    // Stands in for a Quorvia that starts its office and then crashes without any clean-up.
    const auto office = OfficeProcess::Start(options);
    const pid_t officePid = office->Pid();
    (void)!write(channel[1], &officePid, sizeof officePid);
    std::this_thread::sleep_for(500ms);
    raise(SIGKILL);
  }
  close(channel[1]);
  pid_t officePid = 0;
  ASSERT_EQ(read(channel[0], &officePid, sizeof officePid), static_cast<ssize_t>(sizeof officePid));
  close(channel[0]);
  int status = 0;
  waitpid(program, &status, 0);
  EXPECT_TRUE(GoneWithin(officePid, 5s));
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
