// The whole report refresh (refresh run and copy run) against a real headless office, both with the
// workbook already open in a running office and with no office running at all.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>

#include "file_bytes.h"
#include "office_test_support.h"
#include "workbook/refresh_workbook.h"

namespace quorvia::workbook::office::testing {
namespace {

namespace fs = std::filesystem;

const PivotFigures kFirstFigures{{"forest", 20}, {"urban", 15.5}, {"water", 1.25}, {"Total Result", 36.75}};
const PivotFigures kSecondFigures{
    {"arable", 42}, {"forest", 7}, {"urban", 3}, {"wetland", 0.5}, {"Total Result", 52.5}};
const CoverPageSource kCover{"--> FINAL Data", "change1"};

// A refresh run with the rows given, as a run hands over what it has just read.
RefreshOutcome RefreshRun(SpreadsheetSystem& system, const fs::path& folder, const QueryTable& rows) {
  return RefreshWorkbook(system, folder.string(), "", "Actualitza",
                         CoverPage{{{"B13", "AT Oesterreich"},
                                    {"B15", "AT12 Niederoesterreich"},
                                    {"B16", "All"},
                                    {"B17", "=SUM(1;2)"},
                                    {"B18", "0042"},
                                    {"B19", "0-2 km"}},
                                   kCover},
                         &rows);
}

// A refresh run with the rows FILTERED of the folder's database returns now.
RefreshOutcome RefreshRun(SpreadsheetSystem& system, const fs::path& folder) {
  return RefreshRun(system, folder, FilteredRows(folder / "MOSA_DB.mdb"));
}

RefreshOutcome CopyRun(SpreadsheetSystem& system, const fs::path& folder, const std::string& copyName) {
  return RefreshWorkbook(system, folder.string(), copyName, "copia", CoverPage{{}, kCover});
}

void ExpectCoverPage(WorkbookProbe& probe, const std::string& workbook) {
  EXPECT_EQ(probe.CellText(workbook, "CoverPage", "B12"), "--> FINAL Data");
  EXPECT_EQ(probe.CellText(workbook, "CoverPage", "B13"), "AT Oesterreich");
  EXPECT_EQ(probe.CellText(workbook, "CoverPage", "B15"), "AT12 Niederoesterreich");
  EXPECT_EQ(probe.CellText(workbook, "CoverPage", "B16"), "All");
  // Selection values are stored as the texts they are: no formula, no number with its zeros dropped.
  EXPECT_EQ(probe.CellText(workbook, "CoverPage", "B17"), "=SUM(1;2)");
  EXPECT_FALSE(probe.CellIsFormula(workbook, "CoverPage", "B17"));
  EXPECT_EQ(probe.CellText(workbook, "CoverPage", "B18"), "0042");
  EXPECT_EQ(probe.CellText(workbook, "CoverPage", "B19"), "0-2 km");
  EXPECT_EQ(probe.CellText(workbook, "CoverPage", "B20"), "VARDA90 reviewed");
  EXPECT_EQ(probe.CellText(workbook, "CoverPage", "B14"), "");
}

bool LeftoverTemporaryFiles(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with(".~quorvia")) return true;
  }
  return false;
}

class WarmOfficeRefreshTest : public OfficeSuite {};

TEST_F(WarmOfficeRefreshTest, RefreshRunUsesTheOpenWorkbookAndSavesNewFiguresAndCover) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  const int openBefore = Office().WorkbookCount();

  RewriteFiltered(folder / "MOSA_DB.mdb", "second");
  const auto outcome = RefreshRun(System(), folder);

  EXPECT_TRUE(outcome.Succeeded()) << outcome.FirstFailure();
  EXPECT_TRUE(outcome.refreshed);
  EXPECT_TRUE(outcome.saved);
  // The open workbook was worked on: no second load, and it stays open in the running office.
  EXPECT_EQ(Office().WorkbookCount(), openBefore);
  WorkbookProbe probe(Office());
  EXPECT_EQ(probe.PivotOutput("MOSA_QUERY.xls", "Report"), kSecondFigures);

  const auto saved = probe.Load(folder / "MOSA_QUERY.xls");
  EXPECT_EQ(probe.PivotOutput(saved, "Report"), kSecondFigures);
  ExpectCoverPage(probe, saved);
}

TEST_F(WarmOfficeRefreshTest, CopyRunWritesAnXlsCopyWithTheSameFigures) {
  const auto folder = MakeProgramFolder(kTwoSelections, "second");
  Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  ASSERT_TRUE(RefreshRun(System(), folder).Succeeded());

  const auto outcome = CopyRun(System(), folder, "batch_AT12");

  EXPECT_TRUE(outcome.Succeeded()) << outcome.FirstFailure();
  EXPECT_TRUE(outcome.copied);
  EXPECT_TRUE(outcome.saved);
  ASSERT_TRUE(fs::exists(folder / "batch_AT12.xls"));
  EXPECT_FALSE(LeftoverTemporaryFiles(folder));
  WorkbookProbe probe(Office());
  EXPECT_EQ(Office().WorkbookName(Office().WorkbookCount()), "MOSA_QUERY.xls");  // keeps its own name
  const auto copy = probe.Load(folder / "batch_AT12.xls");
  EXPECT_EQ(probe.PivotOutput(copy, "Report"), kSecondFigures);
  ExpectCoverPage(probe, copy);
}

TEST_F(WarmOfficeRefreshTest, WorkbookLockedByAnotherProgramIsLeftAloneAndSaidSo) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  std::ofstream(folder / ".~lock.MOSA_QUERY.xls#")
      << ",someone,otherhost,01.01.2024 10:00,file:///home/someone;\n";
  const auto before = fs::last_write_time(folder / "MOSA_QUERY.xls");
  RewriteFiltered(folder / "MOSA_DB.mdb", "second");
  const int openBefore = Office().WorkbookCount();

  const auto outcome = RefreshRun(System(), folder);

  EXPECT_FALSE(outcome.saved);
  EXPECT_EQ(
      outcome.FirstFailure(),
      "MOSA_QUERY.xls is open in another program; close it, or open it with quorvia-report. Its lock file " +
          (folder / ".~lock.MOSA_QUERY.xls#").string() +
          " can be deleted once the program that holds the workbook is closed.");
  EXPECT_EQ(fs::last_write_time(folder / "MOSA_QUERY.xls"), before);
  EXPECT_EQ(Office().WorkbookCount(), openBefore) << "the locked workbook must not stay loaded in our office";
}

bool LockFileLeft(const fs::path& folder) { return fs::exists(folder / ".~lock.MOSA_QUERY.xls#"); }

// FILTERED's rows for the "first" selection, as the program hands them over after its own read.
QueryTable FirstRows() { return {{"CHANGE", "AREA"}, {{"forest", 20.0}, {"urban", 15.5}, {"water", 1.25}}}; }

TEST_F(WarmOfficeRefreshTest, TheReportShowsTheRowsHandedInAndReadsNoDatabase) {
  const auto folder = MakeProgramFolder(kTwoSelections, "second");
  const auto database = folder / "MOSA_DB.mdb";
  Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  WorkbookProbe probe(Office());
  const QueryTable second = FilteredRows(database);
  fs::remove(database);  // whatever the office would read is gone: only the rows handed in can show

  ASSERT_TRUE(RefreshRun(System(), folder, FirstRows()).Succeeded());
  EXPECT_EQ(probe.PivotOutput("MOSA_QUERY.xls", "Report"), kFirstFigures);
  ASSERT_TRUE(RefreshRun(System(), folder, second).Succeeded());
  EXPECT_EQ(probe.PivotOutput("MOSA_QUERY.xls", "Report"), kSecondFigures);

  // A copy run needs no rows: it copies the report as just refreshed.
  const auto copied = CopyRun(System(), folder, "once");
  ASSERT_TRUE(copied.Succeeded()) << copied.FirstFailure();
  EXPECT_EQ(probe.PivotOutput(probe.Load(folder / "once.xls"), "Report"), kSecondFigures);
}

TEST_F(WarmOfficeRefreshTest, RowsMoreThanASheetHoldsAreRefusedAndTheReportIsLeftAsItWas) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  ASSERT_TRUE(RefreshRun(System(), folder).Succeeded());
  const auto saved = fs::last_write_time(folder / "MOSA_QUERY.xls");
  QueryTable tooMany{{"CHANGE", "AREA"}, {}};
  tooMany.rows.assign(65536, {std::string("forest"), 1.0});

  const auto outcome = RefreshRun(System(), folder, tooMany);

  EXPECT_FALSE(outcome.saved);
  EXPECT_FALSE(outcome.refreshed);
  EXPECT_NE(outcome.Reason().find("more than 65535 rows"), std::string::npos) << outcome.Reason();
  EXPECT_NE(outcome.Reason().find("MOSA_QUERY.xls"), std::string::npos) << outcome.Reason();
  EXPECT_EQ(fs::last_write_time(folder / "MOSA_QUERY.xls"), saved);
  WorkbookProbe probe(Office());
  EXPECT_EQ(probe.PivotOutput("MOSA_QUERY.xls", "Report"), kFirstFigures);
}

using quorvia::testing::FileBytes;

TEST_F(WarmOfficeRefreshTest, AWorkbookThatIsNoSpreadsheetIsNeverSaved) {
  std::string randomBytes;
  for (int i = 0; i < 4096; ++i) randomBytes += static_cast<char>((i * 7919 + 13) % 251);
  const std::string compoundHeader("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  const std::map<std::string, std::string> contents{{"random bytes", randomBytes},
                                                    {"zero bytes", ""},
                                                    {"text", "CHANGE;AREA\nurban;10\nforest;20\n"},
                                                    {"header then text", compoundHeader + "urban;10\n"}};
  for (const auto& [what, content] : contents) {
    const auto folder = MakeProgramFolder(kTwoSelections, "first");
    std::ofstream(folder / "MOSA_QUERY.xls", std::ios::binary | std::ios::trunc) << content;

    const auto outcome = RefreshRun(System(), folder);

    EXPECT_FALSE(outcome.saved) << what;
    EXPECT_FALSE(outcome.refreshed) << what;
    ASSERT_FALSE(outcome.failures.empty()) << what;
    const auto open = std::find_if(outcome.failures.begin(), outcome.failures.end(),
                                   [](const std::string& line) { return line.starts_with("Open"); });
    ASSERT_NE(open, outcome.failures.end()) << what;
    EXPECT_NE(open->find("left as it is"), std::string::npos) << *open;
    EXPECT_EQ(FileBytes(folder / "MOSA_QUERY.xls"), content) << what;
    EXPECT_FALSE(fs::exists(folder / ".~lock.MOSA_QUERY.xls#")) << what;
  }
}

// No office runs on the system's pipe at first: the first call starts one, Quit parks it, and every later
// call takes the parked office instead of starting another.
class ColdOfficeRefreshTest : public OfficeSuite {};

TEST_F(ColdOfficeRefreshTest, UpdatesInARowTakeTheParkedOfficeAndLeaveNoLockFile) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  LibreOfficeSystem cold(PrivateOfficeOptions(Root(), "cold"));
  ASSERT_THROW(cold.GetRunningInstance(), AutomationError);

  const auto refreshed = RefreshRun(cold, folder);
  EXPECT_TRUE(refreshed.Succeeded()) << refreshed.FirstFailure();
  EXPECT_TRUE(refreshed.saved);
  ASSERT_TRUE(cold.StartedOfficePid().has_value());
  const pid_t pid = *cold.StartedOfficePid();
  EXPECT_TRUE(cold.OfficeParked()) << "Quit parks the office it started";
  EXPECT_THROW(cold.GetRunningInstance(), AutomationError) << "a parked office is no running instance";
  EXPECT_FALSE(LockFileLeft(folder));

  // The second update again finds no running instance and ends with Save, Close and Quit, in the same
  // office process; the workbook opened anew shows the rows handed in.
  RewriteFiltered(folder / "MOSA_DB.mdb", "second");
  const auto again = RefreshRun(cold, folder);
  EXPECT_TRUE(again.Succeeded()) << again.FirstFailure();
  EXPECT_EQ(cold.StartedOfficePid(), pid);
  EXPECT_TRUE(cold.OfficeParked());

  // A copy run closes the workbook without Quit; released empty, the office is parked all the same.
  const auto copied = CopyRun(cold, folder, "cold_copy");
  EXPECT_TRUE(copied.Succeeded()) << copied.FirstFailure();
  EXPECT_TRUE(copied.copied);
  EXPECT_EQ(cold.StartedOfficePid(), pid);
  EXPECT_TRUE(cold.OfficeParked());
  EXPECT_FALSE(LockFileLeft(folder));
  EXPECT_FALSE(LeftoverTemporaryFiles(folder));

  WorkbookProbe probe(Office());
  const auto saved = probe.Load(folder / "MOSA_QUERY.xls");
  EXPECT_EQ(probe.PivotOutput(saved, "Report"), kSecondFigures);
  ExpectCoverPage(probe, saved);
  const auto copy = probe.Load(folder / "cold_copy.xls");
  EXPECT_EQ(probe.PivotOutput(copy, "Report"), kSecondFigures);
}

TEST_F(ColdOfficeRefreshTest, AParkedOfficeKilledFromOutsideIsReplacedOnTheNextUpdate) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  LibreOfficeSystem cold(PrivateOfficeOptions(Root(), "killed"));
  ASSERT_TRUE(RefreshRun(cold, folder).Succeeded());
  const pid_t killed = cold.StartedOfficePid().value_or(0);
  ASSERT_GT(killed, 0);
  ASSERT_EQ(kill(killed, SIGKILL), 0);

  RewriteFiltered(folder / "MOSA_DB.mdb", "second");
  const auto outcome = RefreshRun(cold, folder);
  EXPECT_TRUE(outcome.Succeeded()) << outcome.FirstFailure();
  EXPECT_TRUE(outcome.saved);
  ASSERT_TRUE(cold.StartedOfficePid().has_value());
  EXPECT_NE(*cold.StartedOfficePid(), killed);
  WorkbookProbe probe(Office());
  EXPECT_EQ(probe.PivotOutput(probe.Load(folder / "MOSA_QUERY.xls"), "Report"), kSecondFigures);
}

// kill() returns before the signal has stopped every thread of the office: wait until it has, so that no
// call of the run slips through before the freeze.
void WaitUntilStopped(pid_t pid) {
  for (int i = 0; i < 500; ++i) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto end = line.rfind(')');
    if (end != std::string::npos && end + 2 < line.size() && line[end + 2] == 'T') return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// Hands out the running office and freezes it right after, as an office that stops answering mid-run.
class FreezingSystem final : public SpreadsheetSystem {
 public:
  explicit FreezingSystem(LibreOfficeSystem& real) : real_(real) {}
  std::unique_ptr<SpreadsheetApplication> GetRunningInstance() override {
    auto running = real_.GetRunningInstance();
    frozen_ = real_.StartedOfficePid().value_or(0);
    if (frozen_ > 0) {
      kill(frozen_, SIGSTOP);
      WaitUntilStopped(frozen_);
    }
    return running;
  }
  std::unique_ptr<SpreadsheetApplication> CreateInstance() override { return real_.CreateInstance(); }
  pid_t Frozen() const { return frozen_; }

 private:
  LibreOfficeSystem& real_;
  pid_t frozen_ = 0;
};

TEST_F(ColdOfficeRefreshTest, AFrozenOfficeIsAFailedStepWithinTheBoundAndIsReplaced) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  auto options = PrivateOfficeOptions(Root(), "frozen");
  options.callTimeout = std::chrono::seconds(
      10);  // a new office loads its first workbook well within it, even on a busy machine
  LibreOfficeSystem real(options);
  const auto user = real.ConnectOrStartOffice();  // a running office, so the run asks it first
  FreezingSystem freezing(real);

  const auto start = std::chrono::steady_clock::now();
  const auto outcome = RefreshRun(freezing, folder);
  const auto took = std::chrono::steady_clock::now() - start;

  ASSERT_GT(freezing.Frozen(), 0);
  ASSERT_FALSE(outcome.failures.empty());
  EXPECT_TRUE(outcome.failures.front().starts_with("Workbooks.Count")) << outcome.failures.front();
  EXPECT_NE(outcome.failures.front().find("did not answer within 10 s"), std::string::npos);
  // The rest of the run went on in a new office.
  EXPECT_TRUE(outcome.refreshed);
  EXPECT_TRUE(outcome.saved);
  EXPECT_NE(real.StartedOfficePid(), freezing.Frozen());
  EXPECT_LT(took, std::chrono::seconds(60));
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
