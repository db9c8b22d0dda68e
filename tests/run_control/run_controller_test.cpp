// The run controller driven without a window: the label texts of an update, a cancelled batch and a
// batch, on the demo data with a real headless office; and a country's lists read for the selection.
#include "run_control/run_controller.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <filesystem>

#include "office_demo.h"
#include "query/query_session.h"
#include "run_control/country_selection.h"
#include "selections.h"
#include "sqlite_fixture.h"

namespace quorvia::run_control {
namespace {

namespace fs = std::filesystem;

class RunControllerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    demo_ = new testing::OfficeDemo(testing::MakeOfficeDemo(
        {.folderPrefix = "quorvia-run-control", .officeTag = "runcontrol", .recordsPerCountry = 300}));
  }
  static void TearDownTestSuite() {
    delete demo_;
    demo_ = nullptr;
  }

  void SetUp() override {
    fs::copy_file(demo_->root->Path() / "MOSA_DB.mdb", folder.Path() / "MOSA_DB.mdb");
    fs::copy_file(demo_->root->Path() / "MOSA_QUERY.xls", folder.Path() / "MOSA_QUERY.xls");
    controller = std::make_unique<RunController>(folder.str(), *demo_->system);
    const auto opened = controller->Open([](const std::string&) { return true; });
    ASSERT_TRUE(opened.goOn);
    ASSERT_FALSE(opened.message);
    ASSERT_FALSE(opened.countryEntries.empty());
    QObject::connect(controller.get(), &RunController::Ended,
                     [this](const RunEnd& end) { ends.push_back(end); });
  }

  std::string Filtered() const {
    return testing::QueryText(folder.File("MOSA_DB.mdb"),
                              "SELECT sql FROM sqlite_master WHERE name = 'FILTERED'");
  }
  // The batch of the first `count` NUTS 2 regions of Austria.
  query::BatchRequest Regions(int count) const {
    query::BatchRequest request{std::to_string(count), "Nuts", {}, {}, "Run", query::AllOn("AT Oesterreich")};
    request.selection.nutsLevelIndex = 1;
    auto lists =
        ReadCountrySelection(*controller->Session(), "AT", request.selection, controller->DatabaseFile());
    const auto& regions = *lists.lists[query::IndexOf(query::FilterId::nutsRegion)];
    for (int i = 1; i <= count; ++i) request.items.push_back(regions.at(i));
    request.selected.assign(request.items.size(), true);
    return request;
  }
  static testing::OfficeDemo* demo_;
  testing::TempFolder folder{"quorvia-run-control-folder"};
  std::unique_ptr<RunController> controller;
  std::vector<RunEnd> ends;
};

testing::OfficeDemo* RunControllerTest::demo_ = nullptr;

TEST_F(RunControllerTest, AnUpdateShowsItsProgressThenItsOutcomeAndTakesNoSecondRun) {
  QStringList labels;
  QObject::connect(controller.get(), &RunController::LabelChanged,
                   [&](const QString& text) { labels << text; });
  ASSERT_TRUE(controller->Update(query::AllOn("AT Oesterreich")));
  EXPECT_TRUE(controller->RunGoing());
  EXPECT_FALSE(controller->Update(query::AllOn("AT Oesterreich")));
  EXPECT_FALSE(controller->SaveReportAsPdf((folder.Path() / "r.pdf").string()));
  controller->WaitForRun();

  EXPECT_FALSE(controller->RunGoing());
  ASSERT_EQ(ends.size(), 1u);
  EXPECT_TRUE(ends[0].done);
  EXPECT_FALSE(ends[0].message);
  ASSERT_GE(labels.size(), 2u);
  EXPECT_EQ(labels.front(), "Processing update...");
  EXPECT_EQ(labels.back().toStdString(), controller->LabelText());
  EXPECT_NE(controller->LabelText().find("records selected"), std::string::npos) << controller->LabelText();
  EXPECT_NE(controller->LabelText().find("Excel Woorkbook updated successfully !"), std::string::npos);
  EXPECT_NE(Filtered().find("DATA_AT"), std::string::npos);
  EXPECT_EQ(controller->RunsNotDone(), 0);
}

// Asked to stop before its first item (held meanwhile, as while the window asks), a batch runs none.
TEST_F(RunControllerTest, ACancelledBatchRunsNoItemAfterItAndCountsAsNotDone) {
  const std::string before = Filtered();
  controller->Hold();
  ASSERT_TRUE(controller->Batch(Regions(2), {.summary = false, .pdfCopies = false}));
  controller->Cancel();
  controller->Release();
  controller->WaitForRun();

  ASSERT_EQ(ends.size(), 1u);
  EXPECT_FALSE(ends[0].done);
  EXPECT_TRUE(controller->LabelText().starts_with("Stopped: 0 of 2 items done; not run: "))
      << controller->LabelText();
  EXPECT_EQ(Filtered(), before);
  EXPECT_FALSE(fs::exists(folder.Path() / "Run summary.xls"));
  EXPECT_EQ(controller->RunsNotDone(), 1);
}

// A controller that goes while its batch is held (the window closing under its own question) lets the
// batch go on to its stop instead of waiting for the hold forever; nothing of the batch was written.
TEST_F(RunControllerTest, GoingWhileItsBatchIsHeldEndsTheBatchWithoutAnItem) {
  const std::string before = Filtered();
  controller->Hold();
  ASSERT_TRUE(controller->Batch(Regions(2), {.summary = false, .pdfCopies = false}));
  controller.reset();

  EXPECT_EQ(Filtered(), before);
  for (const auto& entry : fs::directory_iterator(folder.Path()))
    EXPECT_FALSE(entry.path().filename().string().starts_with("Run")) << entry.path();
}

TEST_F(RunControllerTest, ABatchWritesItsCopiesAndSummaryAndNamesTheSummaryOnTheLabel) {
  const auto request = Regions(2);
  std::vector<std::string> steps;
  ASSERT_TRUE(controller->Batch(request, {},
                                [&](const query::BatchStep& step) { steps.push_back(step.statusText); }));
  controller->WaitForRun();

  ASSERT_EQ(ends.size(), 1u);
  EXPECT_TRUE(ends[0].done) << controller->LabelText();
  EXPECT_EQ(steps, (std::vector<std::string>{"Processing update 1 of 2...", "Processing update 2 of 2..."}));
  EXPECT_TRUE(controller->LabelText().starts_with("Tasks finished")) << controller->LabelText();
  for (const auto& item : request.items)
    EXPECT_TRUE(fs::exists(folder.Path() / ("Run_" + item + ".xls"))) << item;
  ASSERT_TRUE(controller->LastBatchFiles());
  EXPECT_EQ(controller->LastBatchFiles()->workbook, (folder.Path() / "Run summary.xls").string());
  EXPECT_NE(controller->LabelText().find("Run summary.xls"), std::string::npos) << controller->LabelText();
  EXPECT_EQ(controller->RunsNotDone(), 0);
}

// An engine error stops the reading where it happens; what was read before it stands.
TEST_F(RunControllerTest, ACountrysListsAreReadInOrderUntilAnEngineError) {
  query::FilterLevels levels{.nutsLevelIndex = 2, .elevationLevelIndex = std::nullopt};
  const auto read = ReadCountrySelection(*controller->Session(), "AT", levels, controller->DatabaseFile());
  EXPECT_FALSE(read.message);
  const auto& nuts = *read.lists[query::IndexOf(query::FilterId::nutsRegion)];
  EXPECT_EQ(nuts.front(), "All");
  EXPECT_GT(nuts.size(), 1u);
  EXPECT_EQ(controller->Session()->ChosenColumn(query::FilterOf(query::FilterId::nutsRegion)), "N3");
  EXPECT_TRUE(read.lists[query::IndexOf(query::FilterId::elevation)]->empty()) << "no level, no list";
  EXPECT_TRUE(read.status);
  EXPECT_TRUE(read.lists[query::IndexOf(query::FilterId::shoreline)]);

  testing::ExecuteSql(folder.File("MOSA_DB.mdb"), "ALTER TABLE UNITS_AT RENAME TO OLD_AT;");
  const auto broken = ReadCountrySelection(*controller->Session(), "AT", levels, controller->DatabaseFile());
  ASSERT_TRUE(broken.message);
  EXPECT_TRUE(broken.message->contains("UNITS_AT")) << broken.message->toStdString();
  EXPECT_TRUE(broken.emptied[query::IndexOf(query::FilterId::nutsRegion)]);
  EXPECT_FALSE(broken.lists[query::IndexOf(query::FilterId::nutsRegion)]);
  EXPECT_FALSE(broken.lists[query::IndexOf(query::FilterId::landCover)]);
  EXPECT_FALSE(broken.status);
  EXPECT_FALSE(broken.hasChange1);
}

TEST(RunControllerOpen, AMissingDatabaseIsNamedAndTheProgramCannotGoOn) {
  testing::TempFolder folder("quorvia-run-control-empty");
  workbook::office::LibreOfficeSystem office(
      workbook::office::testing::PrivateOfficeOptions(folder.Path(), "runcontrolopen"));
  RunController controller(folder.str(), office);
  bool asked = false;
  const auto opened = controller.Open([&](const std::string&) { return asked = true; });
  EXPECT_FALSE(opened.goOn);
  EXPECT_FALSE(asked);
  ASSERT_TRUE(opened.message);
  EXPECT_TRUE(
      opened.message->contains(QString::fromStdString(folder.File("MOSA_DB.mdb")) + " does not exist"));
  EXPECT_FALSE(controller.Session());
  EXPECT_FALSE(controller.Update(query::AllOn("AT Oesterreich")));
}

}  // namespace
}  // namespace quorvia::run_control
