#include "workbook/refresh_workbook.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "fake_spreadsheet.h"
#include "temp_folder.h"

namespace quorvia::workbook {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeSpreadsheetSystem;
using ::testing::HasSubstr;
using ::testing::Not;

// The rows of FILTERED that a run hands to every refresh.
const QueryTable kFilteredRows{{"CHANGE", "AREA"}, {{std::string("211-112"), 30.75}}};

RefreshOutcome RunRefresh(FakeSpreadsheetSystem& fake, const std::string& mode = "Actualitza",
                          const std::string& copyName = "", const std::string& folder = "/opt/quorvia") {
  return RefreshWorkbook(fake, folder, copyName, mode,
                         CoverPage{{{"B13", "FR France"},
                                    {"B15", "FR1"},
                                    {"B16", "All"},
                                    {"B17", "All"},
                                    {"B18", "All"},
                                    {"B19", "All"}},
                                   {"--> FINAL Data", "change1"}},
                         &kFilteredRows);
}

std::vector<std::string> LastCalls(const FakeSpreadsheetSystem& fake, std::size_t count) {
  const auto& calls = fake.Calls();
  return {calls.end() - std::min(count, calls.size()), calls.end()};
}

TEST(RefreshWorkbook, NoInstanceRefreshesVisibleSheetsInAHiddenInstanceThenSavesClosesAndQuits) {
  FakeSpreadsheetSystem fake;
  fake.State().sheets = {{true, 2}, {false, 3}, {true, 0}};
  const RefreshOutcome outcome = RunRefresh(fake);
  const std::string cell = "WriteCell(mosa_query.xls,CoverPage,";
  EXPECT_THAT(
      fake.Calls(),
      ElementsAre("GetRunningInstance()", "CreateInstance()", "SetVisible(false)",
                  "OpenWorkbook(/opt/quorvia/MOSA_QUERY.xls,3)", "SheetCount(mosa_query.xls)",
                  "SheetVisible(mosa_query.xls,1)", "SelectSheet(mosa_query.xls,1)",
                  "ActiveSheetPivotTableCount(mosa_query.xls)",
                  "RefreshActiveSheetPivotTable(mosa_query.xls,1)",
                  "RefreshActiveSheetPivotTable(mosa_query.xls,2)", "SheetVisible(mosa_query.xls,2)",
                  "SheetVisible(mosa_query.xls,3)", "SelectSheet(mosa_query.xls,3)",
                  "ActiveSheetPivotTableCount(mosa_query.xls)", "SelectSheet(mosa_query.xls,1)",
                  cell + "B13,FR France)", cell + "B15,FR1)", cell + "B16,All)", cell + "B17,All)",
                  cell + "B18,All)", cell + "B19,All)", cell + "B12,--> FINAL Data)",
                  cell + "B20,VARDA90 reviewed)", "Save(mosa_query.xls)", "Close(mosa_query.xls)", "Quit()"));
  EXPECT_FALSE(fake.Instance("new1").visible);
  EXPECT_EQ(fake.Instance("new1").handlesHeld, 0);
  EXPECT_TRUE(outcome.refreshed && outcome.saved && outcome.Succeeded());
  EXPECT_FALSE(outcome.copied);
}

// The saved report and its copies open on their cover, and the user reading another sheet of the open
// report finds it in front again afterwards; a sheet that cannot be read or shown changes no outcome.
TEST(RefreshWorkbook, TheUsersSheetIsInFrontAgainAfterTheSaveOnTheCover) {
  for (const std::string mode : {"Actualitza", "copia"}) {
    SCOPED_TRACE(mode);
    FakeSpreadsheetSystem fake;
    fake.State().sheets = {{true, 0}, {true, 1}};
    fake.StartUserInstance({"MOSA_QUERY.xls"}).activeSheet = 2;
    const RefreshOutcome outcome = RunRefresh(fake, mode, "Copy");
    std::vector<std::string> views;
    for (const auto& call : fake.Calls()) {
      if (call.starts_with("SelectSheet") || call.starts_with("Save")) views.push_back(call);
    }
    const std::string save = mode == "copia" ? "SaveCopyAs(mosa_query.xls,/opt/quorvia/Copy.xls)" : "";
    std::vector<std::string> expected = {"SelectSheet(mosa_query.xls,1)", "Save(mosa_query.xls)",
                                         "SelectSheet(mosa_query.xls,2)"};
    if (mode == "copia") {
      expected = {"SelectSheet(mosa_query.xls,1)", save, "Save(mosa_query.xls)",
                  "SelectSheet(mosa_query.xls,2)"};
    } else {
      expected.insert(expected.begin(), {"SelectSheet(mosa_query.xls,1)", "SelectSheet(mosa_query.xls,2)"});
    }
    EXPECT_THAT(views, ElementsAreArray(expected));
    EXPECT_EQ(fake.Instance("user").activeSheet, 2);
    EXPECT_TRUE(outcome.Succeeded());
  }
}

TEST(RefreshWorkbook, ASheetInFrontThatCannotBeReadChangesNoOutcome) {
  for (const std::string mode : {"Actualitza", "copia"}) {
    FakeSpreadsheetSystem fake;
    fake.StartUserInstance({"MOSA_QUERY.xls"});
    fake.FailOn("ActiveSheetPosition", "broken");
    EXPECT_TRUE(RunRefresh(fake, mode, "Copy").Succeeded()) << mode;
  }
}

TEST(RefreshWorkbook, UsersOwnOpenWorkbookIsUpdatedInPlaceAndLeftOpen) {
  for (const std::string mode : {"Actualitza", "copia"}) {
    FakeSpreadsheetSystem fake;
    fake.StartUserInstance({"MOSA_QUERY.xls", "budget.xls"});
    const RefreshOutcome outcome = RunRefresh(fake, mode);
    // The name loop runs to its end even after the match.
    EXPECT_THAT(std::vector(fake.Calls().begin(), fake.Calls().begin() + 4),
                ElementsAre("GetRunningInstance()", "WorkbookCount()", "WorkbookName(1)", "WorkbookName(2)"));
    if (mode == "copia") {
      // An empty copy name still makes a copy in the program folder.
      EXPECT_THAT(fake.Calls(),
                  ElementsAreArray(std::vector<std::string>{
                      "GetRunningInstance()", "WorkbookCount()", "WorkbookName(1)", "WorkbookName(2)",
                      "ActiveSheetPosition(mosa_query.xls)", "RefreshAll(mosa_query.xls)",
                      "SaveCopyAs(mosa_query.xls,/opt/quorvia/.xls)", "Save(mosa_query.xls)"}));
    } else {
      EXPECT_THAT(LastCalls(fake, 2), ElementsAre("RefreshAll(mosa_query.xls)", "Save(mosa_query.xls)"));
    }
    const auto& user = fake.Instance("user");
    EXPECT_TRUE(user.visible && !user.quit && user.handlesHeld == 0);
    EXPECT_EQ(user.openWorkbooks.size(), 2u);
    EXPECT_EQ(fake.State().instances.size(), 1u);
    EXPECT_TRUE(outcome.saved && outcome.Succeeded());
    EXPECT_EQ(outcome.copied, mode == "copia");
  }
}

TEST(RefreshWorkbook, WorkbookNotOpenUnderItsExactNameGetsANewHiddenInstanceLeftRunning) {
  for (const std::vector<std::string>& userWorkbooks :
       {std::vector<std::string>{}, {"budget.xls"}, {"mosa_query.xls"}, {"MOSA_QUERY.XLS"}}) {
    SCOPED_TRACE(::testing::PrintToString(userWorkbooks));
    FakeSpreadsheetSystem fake;
    fake.StartUserInstance(userWorkbooks);
    EXPECT_TRUE(RunRefresh(fake).saved);
    const auto& created = fake.Instance("new1");
    EXPECT_THAT(created.calls, Contains("OpenWorkbook(/opt/quorvia/MOSA_QUERY.xls,3)"));
    EXPECT_THAT(LastCalls(fake, 2), ElementsAre("RefreshAll(mosa_query.xls)", "Save(mosa_query.xls)"));
    EXPECT_TRUE(!created.visible && !created.quit);
    EXPECT_THAT(created.openWorkbooks, ElementsAre("MOSA_QUERY.xls"));
    // The user's instance was only looked at, and let go of.
    const auto& user = fake.Instance("user");
    EXPECT_THAT(user.calls, Not(Contains(HasSubstr("mosa_query.xls"))));
    EXPECT_TRUE(user.visible);
    EXPECT_EQ(user.handlesHeld + created.handlesHeld, 0);
  }
}

TEST(RefreshWorkbook, BatchItemWithoutInstanceCopiesInAFreshInstanceThatIsClosedButNotEnded) {
  FakeSpreadsheetSystem fake;
  RunRefresh(fake);
  const RefreshOutcome outcome = RunRefresh(fake, "copia", "p_fr France");
  EXPECT_TRUE(fake.Instance("new1").quit);
  EXPECT_THAT(
      fake.Instance("new2").calls,
      ElementsAre("SetVisible(false)", "OpenWorkbook(/opt/quorvia/MOSA_QUERY.xls,3)",
                  "SaveCopyAs(mosa_query.xls,/opt/quorvia/p_fr France.xls)", "Close(mosa_query.xls)"));
  EXPECT_FALSE(fake.Instance("new2").quit);
  EXPECT_TRUE(outcome.copied && outcome.Succeeded());
  EXPECT_FALSE(outcome.saved || outcome.refreshed);
}

TEST(RefreshWorkbook, OtherModeWordsOnlyObtainTheApplication) {
  for (const std::string mode : {"actualitza", "ACTUALITZA", "Actualitza ", "Copia", ""}) {
    FakeSpreadsheetSystem fake;
    fake.StartUserInstance({"MOSA_QUERY.xls"});
    const RefreshOutcome outcome = RunRefresh(fake, mode, "x");
    EXPECT_THAT(fake.Calls(), ElementsAre("GetRunningInstance()", "WorkbookCount()", "WorkbookName(1)"))
        << mode;
    EXPECT_FALSE(outcome.refreshed || outcome.saved || outcome.copied || !outcome.Succeeded());
  }
}

TEST(RefreshWorkbookFailures, AFailingStepIsSkippedAndTheNextRuns) {
  FakeSpreadsheetSystem fake;
  fake.State().sheets = {{true, 2}, {true, 1}, {false, 1}};
  fake.FailOn("WriteCell(mosa_query.xls,CoverPage,B16,All)", "broken");
  const RefreshOutcome outcome = RunRefresh(fake);
  EXPECT_EQ(fake.State().refreshedPivots,
            (std::vector<std::string>{"sheet 1 pivot 1", "sheet 1 pivot 2", "sheet 2 pivot 1"}));
  EXPECT_EQ(fake.State().cellWrites.size(), 7u);
  EXPECT_THAT(LastCalls(fake, 3), ElementsAre("Save(mosa_query.xls)", "Close(mosa_query.xls)", "Quit()"));
  EXPECT_TRUE(outcome.saved && !outcome.refreshed);
  EXPECT_THAT(outcome.FirstFailure(), HasSubstr(": broken"));
}

// Data that could not be read (or pivot tables that could not be found) leave the workbook as it was: no
// cover page for a selection the figures do not show, and no save, in our hidden instance and in the
// user's running one alike.
TEST(RefreshWorkbookFailures, AReportWhoseDataWasNotReadGetsNoCoverAndIsNotSaved) {
  for (const char* failingCall :
       {"RefreshActiveSheetPivotTable(mosa_query.xls,2)", "ActiveSheetPivotTableCount",
        "SelectSheet(mosa_query.xls,2)", "SheetCount", "SheetVisible", "FillFilteredSheets"}) {
    for (const bool userInstance : {false, true}) {
      SCOPED_TRACE(std::string(failingCall) + (userInstance ? " in the user's instance" : ""));
      FakeSpreadsheetSystem fake;
      if (userInstance) fake.StartUserInstance({"MOSA_QUERY.xls"});
      fake.State().sheets = {{true, 2}, {true, 1}, {false, 1}};
      fake.FailOn(failingCall, "broken");
      const RefreshOutcome outcome = RunRefresh(fake);
      EXPECT_TRUE(fake.State().cellWrites.empty());
      EXPECT_THAT(fake.Calls(), Not(Contains(HasSubstr("Save"))));
      EXPECT_THAT(fake.Calls(), Not(Contains(HasSubstr("RefreshAll"))));
      if (!userInstance) {
        EXPECT_THAT(LastCalls(fake, 2), ElementsAre("Close(mosa_query.xls)", "Quit()"));
      }
      EXPECT_FALSE(outcome.saved || outcome.refreshed || outcome.FiguresSaved());
      EXPECT_THAT(outcome.Reason(), HasSubstr(": broken"));
      if (failingCall == std::string("FillFilteredSheets")) {
        EXPECT_THAT(fake.Calls(), Not(Contains(HasSubstr("RefreshActiveSheetPivotTable"))));
      } else {
        EXPECT_THAT(fake.State().filledRows, ElementsAre(kFilteredRows));
      }
    }
  }
}

TEST(RefreshWorkbookFailures, AWorkbookWithoutPivotTablesIsNotRefreshed) {
  FakeSpreadsheetSystem fake;
  fake.State().sheets = {{true, 0}, {false, 1}};
  const RefreshOutcome outcome = RunRefresh(fake);
  EXPECT_FALSE(outcome.saved || outcome.FiguresSaved());
  EXPECT_TRUE(fake.State().cellWrites.empty());
  EXPECT_THAT(outcome.Reason(), HasSubstr("/opt/quorvia/MOSA_QUERY.xls has no pivot table"));
  EXPECT_THAT(outcome.Reason(), HasSubstr("quorvia-run --make-template"));
}

TEST(RefreshWorkbookFailures, WorkbookWithoutCoverPageIsStillSaved) {
  FakeSpreadsheetSystem fake;
  fake.State().hasCoverPage = false;
  const RefreshOutcome outcome = RunRefresh(fake);
  EXPECT_EQ(outcome.failures.size(), 8u);
  EXPECT_EQ(outcome.FirstFailure(), "CoverPage!B13: no worksheet CoverPage");
  EXPECT_TRUE(outcome.saved && !outcome.refreshed);
}

TEST(RefreshWorkbookFailures, FailedSaveOrCopyIsNeverReportedAsDone) {
  FakeSpreadsheetSystem fake;
  fake.FailOn("Save", "the workbook is open read-only (locked by another program)");
  fake.FailOn("SaveCopyAs", "disk full");
  const RefreshOutcome refresh = RunRefresh(fake);
  EXPECT_THAT(refresh.failures,
              ElementsAre("Save: the workbook is open read-only (locked by another program)"));
  EXPECT_TRUE(refresh.refreshed && !refresh.saved);
  EXPECT_TRUE(fake.Instance("new1").quit);
  const RefreshOutcome copy = RunRefresh(fake, "copia", "p_x");
  EXPECT_THAT(copy.failures, ElementsAre("SaveCopyAs: disk full"));
  EXPECT_FALSE(copy.copied);
  EXPECT_THAT(LastCalls(fake, 1), ElementsAre("Close(mosa_query.xls)"));
}

// An office that ends right after its save (a second Ctrl+C, say) loses the answer, but the new report is on
// disk: the run must count it saved, or FILTERED would be put back under a report that shows the new one.
TEST(RefreshWorkbookFailures, ASaveThatLandedOnDiskCountsAsSavedWhateverTheOfficeAnswered) {
  const quorvia::testing::TempFolder folder("quorvia-landed-save");
  const std::filesystem::path report = folder.Path() / "MOSA_QUERY.xls";
  std::ofstream(report) << "old report";
  for (const bool lands : {true, false}) {
    FakeSpreadsheetSystem fake;
    fake.OnCall("Save", [&] {
      if (!lands) return;
      std::ofstream(folder.Path() / "saved.tmp") << "new report, whole";
      std::filesystem::rename(folder.Path() / "saved.tmp", report);
    });
    fake.FailOn("Save", "the office ended");
    const RefreshOutcome outcome = RunRefresh(fake, "Actualitza", "", folder.Path().string());
    EXPECT_EQ(outcome.saved, lands);
    EXPECT_EQ(outcome.FiguresSaved(), lands);
  }
}

TEST(RefreshWorkbookFailures, UnreachableApplicationIsAFailureAndLeavesTheUsersInstanceAlone) {
  for (const bool userInstance : {false, true}) {
    FakeSpreadsheetSystem fake;
    if (userInstance) fake.StartUserInstance({});
    fake.FailOn("CreateInstance", "not installed");
    for (const std::string mode : {"Actualitza", "copia"}) {
      const RefreshOutcome outcome = RunRefresh(fake, mode, "x");
      EXPECT_THAT(outcome.failures, ElementsAre("CreateInstance: not installed"));
      EXPECT_FALSE(outcome.refreshed || outcome.saved || outcome.copied);
    }
    EXPECT_THAT(fake.Calls(), Not(Contains(HasSubstr("SetVisible"))));
  }
}

TEST(RefreshWorkbookFailures, WorkbookThatDoesNotOpenIsReportedAndTheHiddenInstanceStillEnds) {
  FakeSpreadsheetSystem fake;
  fake.FailOn("OpenWorkbook", "file not found");
  const RefreshOutcome outcome = RunRefresh(fake);
  EXPECT_EQ(outcome.FirstFailure(), "Open /opt/quorvia/MOSA_QUERY.xls: file not found");
  EXPECT_FALSE(outcome.refreshed || outcome.saved);
  EXPECT_TRUE(fake.Instance("new1").quit);
}

TEST(RefreshWorkbookFailures, CopyNamesLeavingTheProgramFolderMakeNoCopyButTheSaveGoesOn) {
  for (const std::string& name : std::vector<std::string>{"a/b", "../up", ".", "..", "/etc/passwd",
                                                          std::string("x\0y", 3), std::string(252, 'n')}) {
    FakeSpreadsheetSystem fake;
    fake.StartUserInstance({"MOSA_QUERY.xls"});
    const RefreshOutcome outcome = RunRefresh(fake, "copia", name);
    EXPECT_THAT(LastCalls(fake, 2), ElementsAre("RefreshAll(mosa_query.xls)", "Save(mosa_query.xls)"));
    ASSERT_EQ(outcome.failures.size(), 1u) << name;
    EXPECT_THAT(outcome.FirstFailure(),
                ::testing::MatchesRegex("SaveCopyAs: .* is not a valid file name in the program folder"));
    EXPECT_TRUE(outcome.saved && !outcome.copied);
  }
}

TEST(RefreshWorkbookFailures, CopyNameLinkedOutOfTheProgramFolderMakesNoCopy) {
  QTemporaryDir program, elsewhere;
  const std::filesystem::path folder = program.path().toStdString();
  std::filesystem::create_symlink(elsewhere.path().toStdString() + "/stolen.xls", folder / "escape.xls");
  std::filesystem::create_symlink("escape.xls", folder / "chained.xls");
  std::filesystem::create_symlink("MOSA_QUERY.xls", folder / "inside.xls");
  FakeSpreadsheetSystem fake;
  EXPECT_FALSE(RunRefresh(fake, "copia", "escape", folder).copied);
  EXPECT_FALSE(RunRefresh(fake, "copia", "chained", folder).copied);
  EXPECT_TRUE(RunRefresh(fake, "copia", "inside", folder.string() + "/").copied);
  EXPECT_TRUE(RunRefresh(fake, "copia", "plain", folder).copied);
  EXPECT_EQ(fake.State().copies.size(), 2u);
}

}  // namespace
}  // namespace quorvia::workbook
