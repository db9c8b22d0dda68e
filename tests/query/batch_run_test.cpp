#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "file_bytes.h"
#include "query/copy_names.h"
#include "run_fixture.h"

namespace quorvia::query {
namespace {

using quorvia::testing::FileBytes;

class BatchRunTest : public ::testing::Test, public RunFixture {
 protected:
  // Runs a batch as the window does, step by step, with NUTS level L2 and elevation level L1 chosen.
  BatchOutcome Run(const std::string& unit, const std::vector<std::string>& items, std::vector<bool> selected,
                   Selection selection = AllOn("AT Oesterreich"), const std::string& prefix = "Prefix") {
    session->FilterList(FilterOf(FilterId::nutsRegion), "AT", 1);
    session->FilterList(FilterOf(FilterId::elevation), "AT", 0);
    int count = 0;
    for (bool s : selected) count += s;
    auto run =
        StartBatch(*session, {std::to_string(count), unit, items, std::move(selected), prefix, selection});
    while (const auto step = run.Next()) {
      statuses.push_back(step->statusText);
      hourglasses.push_back(step->hourglass);
      run.RunItem();
    }
    return run.Outcome();
  }

  std::vector<std::string> statuses;
  std::vector<bool> hourglasses;
};

TEST_F(BatchRunTest, NutsItemsTestTheLevelColumnAndRefreshThenCopyEach) {
  const auto outcome = Run(Unit(FilterId::nutsRegion), {"AT11", "AT12", "AT21"}, {true, false, true});
  EXPECT_EQ(outcome.processed, 2);
  EXPECT_EQ(outcome.failed, 0);
  EXPECT_EQ(session->CurrentConditions().fragments.nutsRegion, " AND N2 = \"AT21\"");
  EXPECT_EQ(FilteredSql(),
            "SELECT change1 as CHANGE, sum(AREAHA) as AREA from DATA_AT where  N0CD = \"AT\" AND "
            "N2 = \"AT21\" group by change1");
  // Each item refreshes the report, its cover page with it, then writes its copy, which writes no cover page.
  EXPECT_EQ(CoverCell("B15"), (std::vector<std::string>{"AT11", "AT21"}));
  EXPECT_EQ(CoverCell("B13"), (std::vector<std::string>{"AT Oesterreich", "AT Oesterreich"}));
  EXPECT_EQ(Copies(), (std::vector<std::string>{"Prefix_AT11", "Prefix_AT21"}));
  EXPECT_EQ(outcome.copies, Copies());
  EXPECT_EQ(hourglasses, (std::vector<bool>{false, false}));  // the unit loop leaves the pointer alone
  // Each item's refresh receives the rows read for it, which the summary keeps; its copy needs none.
  ASSERT_EQ(office.State().filledRows.size(), 2u);
  ASSERT_EQ(outcome.copyFigures.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) EXPECT_EQ(outcome.copyFigures[i].rows, office.State().filledRows[i]);
  EXPECT_NE(office.State().filledRows[0], office.State().filledRows[1]);
}

TEST_F(BatchRunTest, ProgressTextsCountTheItems) {
  const auto outcome =
      Run(Unit(FilterId::landCover), {"Arable land", "Forests", "Glaciers"}, {true, true, true});
  EXPECT_EQ(statuses, (std::vector<std::string>{"Processing update 1 of 3...", "Processing update 2 of 3...",
                                                "Processing update 3 of 3..."}));
  EXPECT_EQ(outcome.labelText, "Tasks finished");
}

TEST_F(BatchRunTest, CountryItemsUseTheirOwnTableAndBeDeGroupByChange2) {
  Run(Unit(FilterId::country), {"at oesterreich", "be belgique-belgie"}, {true, true});
  EXPECT_EQ(FilteredSql(),
            "SELECT change2 as CHANGE, sum(AREAHA) as AREA from DATA_be where  N0CD = \"be\" "
            "group by change2");
  EXPECT_DOUBLE_EQ(testing::QueryNumber(DatabasePath(), "SELECT sum(AREA) FROM FILTERED"), 7.0);
  EXPECT_EQ(CoverCell("B13"), (std::vector<std::string>{"at oesterreich", "be belgique-belgie"}));
  // The cover page names the source the query really grouped by.
  EXPECT_EQ(CoverCell("B20"), (std::vector<std::string>{"VARDA90 reviewed", "Changes database"}));
  EXPECT_EQ(Copies(), (std::vector<std::string>{"Prefix_at oesterreich", "Prefix_be belgique-belgie"}));
  EXPECT_EQ(hourglasses, (std::vector<bool>{true, true}));
}

TEST_F(BatchRunTest, OtherFiltersOfTheWindowStayInForce) {
  Selection selection = AllOn("AT Oesterreich");
  selection.landCover = "Forests";
  Run(Unit(FilterId::watershed), {"N1"}, {true}, selection);
  EXPECT_DOUBLE_EQ(testing::QueryNumber(DatabasePath(), "SELECT sum(AREA) FROM FILTERED"), 5.0);
}

// A levelled filter whose level button is not chosen keeps the fragment of the update before, in a batch as
// in an update.
TEST_F(BatchRunTest, ALevelledFilterWithoutALevelKeepsTheFragmentOfTheRunBefore) {
  Selection selection = AllOn("AT Oesterreich");
  selection.nutsRegion = "AT21";
  selection.nutsLevelIndex = 1;
  session->Update(selection);
  selection.nutsLevelIndex.reset();
  Run(Unit(FilterId::landCover), {"Forests"}, {true}, selection);
  EXPECT_EQ(session->CurrentConditions().fragments.nutsRegion, " AND N2 = \"AT21\"");
  EXPECT_NE(FilteredSql().find(" AND N2 = \"AT21\""), std::string::npos) << FilteredSql();
}

TEST_F(BatchRunTest, ShorelineCopiesAreNamedByClassAndNeverOverwriteEachOther) {
  Run(Unit(FilterId::shoreline),
      {"< 10 Km from shoreline", "10 - 50 Km from shoreline", "> 50 Km from shoreline"}, {true, true, true});
  EXPECT_EQ(Copies(), (std::vector<std::string>{"Prefix_Less than 10km", "Prefix_More than 10km",
                                                "Prefix_More than 10km (2)"}));
  EXPECT_EQ(CoverCell("B19").at(1), "10 - 50 Km from shoreline");
  EXPECT_EQ(
      Run(Unit(FilterId::shoreline), {"10 - 50 Km from shoreline", "> 50 Km from shoreline"}, {true, true})
          .labelText,
      "Tasks finished\r\n> 50 Km from shoreline: the copy is Prefix_More than 10km (2).xls");
}

// Each filter of the table, run as a batch unit, narrows its own column to the item, shows the item in its
// own cover cell, and writes the very fragment that choosing the item in the window writes.
TEST_F(BatchRunTest, EveryFilterNarrowsItsColumnAndFillsItsCoverCellAsTheWindowsChoiceWould) {
  struct Case {
    FilterId id;
    std::string item;
    std::string fragment;
    double area;
    std::string cell;
  };
  const std::vector<Case> cases = {
      {FilterId::country, "at oesterreich", "N0CD = \"at\"", 850.15, "B13"},
      {FilterId::nutsRegion, "AT12", "AND N2 = \"AT12\"", 20.25, "B15"},
      {FilterId::elevation, "Hills", "AND EBKL1DS = \"Hills\"", 6.5, "B16"},
      {FilterId::landCover, "Forests", "AND DLT = \"Forests\"", 25.25, "B17"},
      {FilterId::watershed, "W2", "AND WSCODE = \"W2\"", 21.75, "B18"},
      {FilterId::shoreline, "> 50 Km from shoreline", "AND CSTDS = \"> 50 Km from shoreline\"", 850.15,
       "B19"},
  };
  ASSERT_EQ(cases.size(), kFilterCount);
  for (const Case& c : cases) {
    const Filter& filter = FilterOf(c.id);
    SCOPED_TRACE(filter.unitName);
    const auto outcome = Run(Unit(c.id), {c.item}, {true});
    EXPECT_EQ(outcome.failed, 0);
    EXPECT_THAT(FilteredSql(), ::testing::HasSubstr(" " + c.fragment + " "));
    EXPECT_NEAR(testing::QueryNumber(DatabasePath(), "SELECT sum(AREA) FROM FILTERED"), c.area, 1e-9);
    ASSERT_FALSE(CoverCell(c.cell).empty());
    EXPECT_EQ(CoverCell(c.cell).back(), c.item);

    Selection chosen = AllOn("AT Oesterreich");
    chosen.nutsLevelIndex = 1;
    chosen.*filter.slot = c.item;
    Conditions conditions;
    BuildCriteria(chosen, conditions);
    EXPECT_EQ(conditions.fragments.*filter.slot, session->CurrentConditions().fragments.*filter.slot);
  }
}

TEST_F(BatchRunTest, FailedItemsAreCountedNotHidden) {
  office.FailOn("SaveCopyAs", "disk full");
  const auto outcome = Run(Unit(FilterId::nutsRegion), {"AT11", "AT12"}, {true, true});
  EXPECT_EQ(outcome.failed, 2);
  const auto& text = outcome.labelText;
  EXPECT_EQ(text.rfind("Tasks finished\r\n0 of 2 items done; failed: AT11, AT12\r\nFirst failure: AT11: ", 0),
            0u)
      << text;
}

// An item the engine refuses (a country without its table) fails alone; the batch goes on and its last
// word names the item.
TEST_F(BatchRunTest, AnItemTheEngineRefusesFailsAndTheNextItemsStillRun) {
  const auto outcome = Run(Unit(FilterId::country), {"at oesterreich", "dk danmark", "be belgique-belgie"},
                           {true, true, true}, AllOn("AT Oesterreich"), "C/D");
  EXPECT_EQ(Copies(), (std::vector<std::string>{"C_D_at oesterreich", "C_D_be belgique-belgie"}));
  EXPECT_TRUE(outcome.notRun.empty());
  const std::string& text = outcome.labelText;
  EXPECT_EQ(
      text.rfind("Tasks finished\r\n2 of 3 items done; failed: dk danmark\r\nFirst failure: dk danmark: ", 0),
      0u)
      << text;
  EXPECT_NE(text.find("DATA_dk"), std::string::npos) << text;
  EXPECT_TRUE(
      text.ends_with("\r\nThe file names begin with \"C_D\": characters that a file name cannot hold "
                     "were replaced"))
      << text;
}

TEST_F(BatchRunTest, AnItemWhoseReportWasNotSavedGetsNoCopy) {
  // The saved file still holds the report of the item before: a copy of it would carry that selection.
  office.FailOn("Save", "the office has ended");
  const auto outcome = Run(Unit(FilterId::nutsRegion), {"AT11", "AT12"}, {true, true});
  EXPECT_TRUE(Copies().empty());
  EXPECT_EQ(outcome.failed, 2);
  EXPECT_NE(outcome.failures.front().find("no copy written"), std::string::npos) << outcome.failures.front();
}

TEST_F(BatchRunTest, AnItemNotSavedPutsFilteredBackAndAWorkbookThatCannotBeWrittenStopsTheBatch) {
  Run(Unit(FilterId::nutsRegion), {"AT11"}, {true});
  const std::string saved = FilteredSql();  // the report on disk shows AT11

  office.FailOn("Save", "disk full");
  auto outcome = Run(Unit(FilterId::nutsRegion), {"AT12"}, {true});
  EXPECT_EQ(FilteredSql(), saved);
  EXPECT_TRUE(outcome.failures.front().ends_with("; no copy written; FILTERED is as it was"))
      << outcome.failures.front();

  office.State().failures.clear();
  office.State().workbookProblem = "the workbook /x/MOSA_QUERY.xls does not exist";
  const std::size_t officeCalls = office.Calls().size();
  outcome = Run(Unit(FilterId::nutsRegion), {"AT12", "AT21"}, {true, true});
  EXPECT_EQ(office.Calls().size(), officeCalls);
  EXPECT_EQ(FilteredSql(), saved);
  EXPECT_EQ(outcome.notRun, (std::vector<std::string>{"AT21"}));
  EXPECT_TRUE(outcome.labelText.starts_with("Batch stopped: the workbook /x/MOSA_QUERY.xls does not exist. "))
      << outcome.labelText;
}

TEST_F(BatchRunTest, OnlyAMissingOrWrongCopyFailsAnItem) {
  office.FailOn("Quit", "already gone");  // after the save: the copy is right all the same
  EXPECT_EQ(Run(Unit(FilterId::nutsRegion), {"AT11"}, {true}).failed, 0);
  EXPECT_EQ(Copies(), (std::vector<std::string>{"Prefix_AT11"}));

  office.State().hasCoverPage = false;  // the copy's cover page would not show its item
  const auto outcome = Run(Unit(FilterId::nutsRegion), {"AT12"}, {true});
  EXPECT_EQ(outcome.failed, 1);
  EXPECT_NE(outcome.failures.front().find("cover page not written"), std::string::npos)
      << outcome.failures.front();
}

TEST_F(BatchRunTest, ACopyReplacesOnlyItsOwnEarlierCopyNeverTheReportOrAUsersFile) {
  std::ofstream(folder.File("P_AT11.xls")) << "mine";
  auto outcome = Run(Unit(FilterId::nutsRegion), {"AT11"}, {true}, AllOn("AT Oesterreich"), "P");
  EXPECT_EQ(outcome.copies, (std::vector<std::string>{"P_AT11 (2)"}));
  EXPECT_EQ(outcome.labelText, "Tasks finished\r\nP_AT11.xls kept, the copy is P_AT11 (2).xls");
  // The same batch again replaces the copy it wrote instead of adding a third file.
  outcome = Run(Unit(FilterId::nutsRegion), {"AT11"}, {true}, AllOn("AT Oesterreich"), "P");
  EXPECT_EQ(outcome.copies, (std::vector<std::string>{"P_AT11 (2)"}));
  EXPECT_EQ(FileBytes(folder.File("P_AT11.xls")), "mine");
  EXPECT_EQ(FileBytes(folder.File("P_AT11 (2).xls")), "copy 2");

  // "MOSA_query.xls" is the report itself on a case-blind file system.
  outcome = Run(Unit(FilterId::nutsRegion), {"query"}, {true}, AllOn("AT Oesterreich"), "MOSA");
  EXPECT_EQ(outcome.failed, 1);
  EXPECT_NE(outcome.failures.front().find("the report workbook's own name"), std::string::npos);
  EXPECT_EQ(Copies().size(), 2u);
}

TEST(CopyNames, UnsafeCharactersAreReplacedAndNamesStayInTheFolder) {
  CopyNames names;
  EXPECT_EQ(names.Next("Prefix", "ch schweiz / suisse / svizzera"), "Prefix_ch schweiz _ suisse _ svizzera");
  EXPECT_EQ(names.Next("../up", "x"), ".._up_x");
  EXPECT_EQ(names.Next("a\\b", "tab\there"), "a_b_tab_here");
  // A case-blind file system would see these as one file.
  EXPECT_EQ(names.Next("P", "AT11"), "P_AT11");
  EXPECT_EQ(names.Next("P", "at11"), "P_at11 (2)");
}

}  // namespace
}  // namespace quorvia::query
