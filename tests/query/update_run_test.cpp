#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "db/db_error.h"
#include "folder_lock/folder_lock.h"
#include "query/updata.h"
#include "query/update_run.h"
#include "run_fixture.h"

namespace quorvia::query {
namespace {

class UpdateRunTest : public ::testing::Test, public RunFixture {
 protected:
  UpdateOutcome Run(const Selection& selection) { return session->Update(selection); }
};

TEST_F(UpdateRunTest, FirstUpdateCreatesFilteredShowsTheFiguresAndWritesTheCoverPage) {
  session->DataStatus("AT");
  const auto outcome = Run(AllOn("AT Oesterreich"));
  EXPECT_EQ(
      FilteredSql(),
      "SELECT change1 as CHANGE, sum(AREAHA) as AREA from DATA_AT where  N0CD = \"AT\" group by change1");
  // Three change types; 850.15 ha shown rounded down.
  EXPECT_EQ(outcome.labelText,
            "3 records selected \r\n Total Area (Ha): 850\r\n Excel Woorkbook updated successfully !");
  // One refresh that saved the report and wrote no copy; the cover page shows the selection, the status
  // last shown and the change source.
  EXPECT_EQ(office.State().saves, 1);
  EXPECT_TRUE(office.State().copies.empty());
  EXPECT_EQ(office.State().cellWrites,
            (std::vector<std::string>{"B13=AT Oesterreich", "B15=All", "B16=All", "B17=All", "B18=All",
                                      "B19=All", "B12=--> FINAL Data", "B20=VARDA90 reviewed"}));
  EXPECT_EQ(session->CurrentTexts().nutsRegion, "All");
  // The change rows read for the label are the ones the report's data sheet receives.
  ASSERT_EQ(office.State().filledRows.size(), 1u);
  EXPECT_EQ(office.State().filledRows[0].columns, (std::vector<std::string>{"CHANGE", "AREA"}));
  EXPECT_EQ(office.State().filledRows[0].rows.size(), 3u);
}

TEST_F(UpdateRunTest, FiguresMatchAnIndependentSumAndFilteredIsReadableByAnyClient) {
  Selection selection = AllOn("AT Oesterreich");
  selection.landCover = "forests";  // values compare without regard to letter case
  const auto outcome = Run(selection);
  EXPECT_EQ(outcome.recordCount, 2);
  EXPECT_DOUBLE_EQ(
      outcome.area.ToDouble(),
      testing::QueryNumber(DatabasePath(), "SELECT sum(AREAHA) FROM DATA_AT WHERE DLT = 'Forests'"));
  EXPECT_DOUBLE_EQ(testing::QueryNumber(DatabasePath(), "SELECT sum(AREA) FROM FILTERED"), 25.25);
}

TEST_F(UpdateRunTest, ASelectionWithoutRowsShowsZeroAndNoArea) {
  Selection selection = AllOn("AT Oesterreich");
  selection.watershed = "nowhere";
  EXPECT_EQ(Run(selection).labelText,
            "0 records selected \r\n Total Area (Ha): \r\n Excel Woorkbook updated successfully !");
}

TEST_F(UpdateRunTest, FractionalAreaIsRoundedDown) {
  Selection selection = AllOn("AT Oesterreich");
  selection.landCover = "Glaciers";
  const auto text = Run(selection).labelText;
  EXPECT_NE(text.find(" Total Area (Ha): 812\r\n"), std::string::npos) << text;
}

TEST_F(UpdateRunTest, AValueWithADoubleQuoteMatchesExactlyThatValue) {
  Selection selection = AllOn("AT Oesterreich");
  selection.landCover = "Say \"hi\"";
  const auto outcome = Run(selection);
  EXPECT_EQ(outcome.recordCount, 1);
  EXPECT_DOUBLE_EQ(outcome.area.ToDouble(), 1.5);
}

TEST_F(UpdateRunTest, AValueThatLooksLikeAColumnNameIsAValue) {
  Selection selection = AllOn("AT Oesterreich");
  selection.watershed = "N1";
  EXPECT_DOUBLE_EQ(Run(selection).area.ToDouble(), 15.5);
}

TEST_F(UpdateRunTest, AFaultyQueryStopsBeforeFilteredOrTheWorkbookIsTouched) {
  Run(AllOn("AT Oesterreich"));
  const std::string before = FilteredSql();
  const std::size_t officeCalls = office.Calls().size();
  EXPECT_THROW(Run(AllOn("BE Belgique-Belgie")), db::DbError);  // BE has no change1
  EXPECT_EQ(FilteredSql(), before);
  EXPECT_EQ(office.Calls().size(), officeCalls);
}

TEST_F(UpdateRunTest, AWorkbookFailureIsNotReportedAsSuccess) {
  office.FailOn("Save", "the workbook is open read-only (locked by another program)");
  const auto text = Run(AllOn("AT Oesterreich")).labelText;
  EXPECT_EQ(text.find("successfully"), std::string::npos);
  // Plain words first, the office's own after them.
  EXPECT_NE(
      text.find("NOT updated: the office could not finish its work on the workbook (Save: the workbook is "
                "open read-only"),
      std::string::npos)
      << text;
}

// The report and FILTERED show the same selection after any failure: the one before the update.
TEST_F(UpdateRunTest, AWorkbookNotUpdatedLeavesFilteredAsItWas) {
  Run(AllOn("AT Oesterreich"));
  const std::string before = FilteredSql();
  Selection other = AllOn("AT Oesterreich");
  other.landCover = "Forests";

  // Seen before anything is written: no office call at all.
  office.State().workbookProblem = "the workbook /x/MOSA_QUERY.xls is read-only; make it writable";
  const std::size_t officeCalls = office.Calls().size();
  auto outcome = Run(other);
  EXPECT_EQ(office.Calls().size(), officeCalls);
  EXPECT_EQ(FilteredSql(), before);
  EXPECT_EQ(outcome.labelText,
            "2 records selected \r\n Total Area (Ha): 25\r\n Excel workbook NOT updated: the workbook "
            "/x/MOSA_QUERY.xls is read-only; make it writable\r\n Nothing was changed: FILTERED and the "
            "workbook are as they were");
  EXPECT_FALSE(outcome.Done());

  // Found only by the save, after FILTERED was rewritten: put back.
  office.State().workbookProblem.clear();
  office.FailOn("Save", "disk full");
  outcome = Run(other);
  EXPECT_EQ(FilteredSql(), before);
  EXPECT_TRUE(outcome.labelText.ends_with(std::string("\r\n") + kNothingChanged)) << outcome.labelText;

  // A database that had no FILTERED has none again.
  RunFixture fresh;
  fresh.office.FailOn("RefreshActiveSheetPivotTable", "the data sheet cannot be read");
  EXPECT_FALSE(fresh.session->Update(other).Done());
  EXPECT_EQ(fresh.FilteredSql(), "<no FILTERED>");
}

TEST_F(UpdateRunTest, ACoverPageFailureIsALineOfItsOwnUnderTheUpdatedWorkbook) {
  office.State().hasCoverPage = false;
  const auto outcome = Run(AllOn("AT Oesterreich"));
  EXPECT_EQ(outcome.labelText,
            "3 records selected \r\n Total Area (Ha): 850\r\n Excel Woorkbook updated successfully !\r\n"
            " Cover page not written: CoverPage!B13: no worksheet CoverPage");
  EXPECT_FALSE(outcome.Done());
}

TEST_F(UpdateRunTest, ABoxWithoutAListRefusesTheUpdateAndChangesNothing) {
  Selection selection = AllOn("AT Oesterreich");
  selection.elevation = "Combo3";
  selection.unloadedBoxes = {"Combo3"};
  try {
    Run(selection);
    ADD_FAILURE() << "the update ran";
  } catch (const RunRefused& refused) {
    EXPECT_NE(std::string(refused.what()).find("Combo3"), std::string::npos) << refused.what();
  }
  EXPECT_EQ(FilteredSql(), "<no FILTERED>");
  EXPECT_TRUE(office.Calls().empty());
}

TEST_F(UpdateRunTest, AnUpdateWaitsForTheRunBeforeItInTheFolderAndIsRefusedPastTheBound) {
  using namespace std::chrono_literals;
  std::vector<std::string> statuses;
  session->SetStatusSink([&](const std::string& text) { statuses.push_back(text); });
  auto other = folder_lock::FolderLock::Take(folder.str(), 0ms, {});
  ASSERT_TRUE(other);
  session->SetRunWaitBound(300ms);
  EXPECT_THROW(Run(AllOn("AT Oesterreich")), RunRefused);
  EXPECT_EQ(FilteredSql(), "<no FILTERED>");
  EXPECT_TRUE(office.Calls().empty());

  // Released while the next update waits: that one goes ahead.
  session->SetRunWaitBound(20s);
  auto release = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(300ms);
    other.reset();
  });
  EXPECT_TRUE(Run(AllOn("AT Oesterreich")).Done());
  EXPECT_EQ(statuses, (std::vector<std::string>{kWaitingForOtherRun, kWaitingForOtherRun}));
}

TEST_F(UpdateRunTest, UpdataReplacesAnyCaseOfFilteredAndKeepsTheOldOneOnFailure) {
  testing::ExecuteSql(DatabasePath(), "CREATE VIEW filtered AS SELECT 1 AS CHANGE, 2 AS AREA;");
  Database().GetQueryDefs().Refresh();
  const std::string good =
      "SELECT change2 as CHANGE, sum(AREAHA) as AREA from DATA_BE where  N0CD = \"BE\" group by change2";
  Updata(Database(), good);
  EXPECT_EQ(FilteredSql(), good);

  EXPECT_THROW(Updata(Database(), "SELECT nosuchcolumn as CHANGE from DATA_BE"), db::DbError);
  EXPECT_EQ(FilteredSql(), good);
  EXPECT_DOUBLE_EQ(testing::QueryNumber(DatabasePath(), "SELECT sum(AREA) FROM FILTERED"), 7.0);
}

TEST_F(UpdateRunTest, UpdataWaitsForAnotherWriterInsteadOfFailingAtOnce) {
  const std::string sql =
      "SELECT change1 as CHANGE, sum(AREAHA) as AREA from DATA_AT where  N0CD = \"AT\" group by change1";
  Updata(Database(), sql);  // FILTERED exists: the next update reads the stored queries, then rewrites one
  // The first update of a run, on a connection that has not read the stored queries yet.
  const auto firstRun = db::DBEngine::Instance().OpenDatabase(DatabasePath());

  // Another program holds the write lock for a second, from its own connection.
  std::promise<void> locked;
  std::thread writer([path = DatabasePath(), &locked] {
    db::SqliteConnection other(path, SQLITE_OPEN_READWRITE);
    other.Execute("BEGIN IMMEDIATE; INSERT INTO DATA_BE (AREAHA) VALUES (1);");
    locked.set_value();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    other.Execute("COMMIT");
  });
  locked.get_future().wait();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_NO_THROW(Updata(*firstRun, sql));
  const auto waited = std::chrono::steady_clock::now() - start;
  writer.join();
  EXPECT_GE(waited, std::chrono::milliseconds(800));
  EXPECT_EQ(FilteredSql(), sql);
  EXPECT_DOUBLE_EQ(testing::QueryNumber(DatabasePath(), "SELECT count(*) FROM DATA_BE"), 3);
}

}  // namespace
}  // namespace quorvia::query
