// The whole report refresh (refresh run and copy run) against a real headless office, both with the
// workbook already open in a running office and with no office running at all.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "office_test_support.h"
#include "workbook/refresh_workbook.h"

namespace quorvia::workbook::office::testing {
namespace {

namespace fs = std::filesystem;

const PivotFigures kFirstFigures{{"forest", 20}, {"urban", 15.5}, {"water", 1.25}, {"Total Result", 36.75}};
const PivotFigures kSecondFigures{
    {"arable", 42}, {"forest", 7}, {"urban", 3}, {"wetland", 0.5}, {"Total Result", 52.5}};
const CoverPageSource kCover{"--> FINAL Data", "change1"};

RefreshOutcome RefreshRun(SpreadsheetSystem& system, const fs::path& folder) {
  return RefreshWorkbook(system, folder.string(), "", "Actualitza", "AT Oesterreich",
                         "AT12 Niederoesterreich", "All", "=SUM(1;2)", "0042", "0-2 km", kCover);
}

RefreshOutcome CopyRun(SpreadsheetSystem& system, const fs::path& folder, const std::string& copyName) {
  return RefreshWorkbook(system, folder.string(), copyName, "copia", "", "", "", "", "", "", kCover);
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
  EXPECT_EQ(outcome.FirstFailure(),
            "MOSA_QUERY.xls is open in another program; close it, or open it with quorvia-report");
  EXPECT_EQ(fs::last_write_time(folder / "MOSA_QUERY.xls"), before);
  EXPECT_EQ(Office().WorkbookCount(), openBefore) << "the locked workbook must not stay loaded in our office";
}

// No office runs on the system's pipe: each call starts one of its own.
class ColdOfficeRefreshTest : public OfficeSuite {};

TEST_F(ColdOfficeRefreshTest, RefreshRunStartsSavesAndEndsItsOfficeThenCopyRunStartsAnother) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  LibreOfficeSystem cold(PrivateOfficeOptions(Root(), "cold"));
  ASSERT_THROW(cold.GetRunningInstance(), AutomationError);

  const auto refreshed = RefreshRun(cold, folder);
  EXPECT_TRUE(refreshed.Succeeded()) << refreshed.FirstFailure();
  EXPECT_TRUE(refreshed.saved);
  EXPECT_FALSE(cold.StartedOfficePid().has_value()) << "the refresh run quits the office it started";

  const auto copied = CopyRun(cold, folder, "cold_copy");
  EXPECT_TRUE(copied.Succeeded()) << copied.FirstFailure();
  EXPECT_TRUE(copied.copied);
  // A copy run closes the workbook but does not end the office; its owner does, on destruction.
  ASSERT_TRUE(cold.StartedOfficePid().has_value());

  WorkbookProbe probe(Office());
  const auto saved = probe.Load(folder / "MOSA_QUERY.xls");
  EXPECT_EQ(probe.PivotOutput(saved, "Report"), kFirstFigures);
  ExpectCoverPage(probe, saved);
  const auto copy = probe.Load(folder / "cold_copy.xls");
  EXPECT_EQ(probe.PivotOutput(copy, "Report"), kFirstFigures);
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
