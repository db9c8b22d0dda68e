// The selection quorvia-run makes without the window: what it reads when, and what it hands to a run.
#include "app/runner_selection.h"

#include <gtest/gtest.h>

#include "no_office.h"
#include "query/query_session.h"
#include "run_control/run_controller.h"
#include "sqlite_fixture.h"

namespace quorvia::app {
namespace {

using query::FilterId;
using query::FilterOf;

// AT with change1 and two NUTS 3 regions; FR without change1.
std::string TwoCountries() {
  return testing::InsertUnits("AT") +
         "('FINAL', 'N1', 'Forests', '> 50 Km from shoreline', 'AT1', 'AT11', 'AT111', 'Lowlands', 'Low a'), "
         "('FINAL', 'N2', 'Pastures', '> 50 Km from shoreline', 'AT1', 'AT12', 'AT121', 'Hills', 'Hill "
         "a'); " +
         testing::InsertUnits("FR") +
         "('PARTIAL', 'F1', 'Arable land', '< 10 Km from shoreline', 'FR1', 'FR10', 'FR101', 'Lowlands', "
         "'Low a');";
}

class RunnerSelectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::ExecuteSql(
        folder.File("MOSA_DB.mdb"),
        testing::CountryTablesSql("AT") + testing::CountryTablesSql("FR", false) + TwoCountries());
    const auto opened = controller.Open([](const std::string&) { return true; });
    ASSERT_TRUE(opened.goOn);
    selection = std::make_unique<RunnerSelection>(controller, opened.countryEntries,
                                                  [this](const QString& text) { said << text; });
  }

  testing::TempFolder folder;
  workbook::testing::NoOffice office;
  run_control::RunController controller{folder.str(), office};
  QStringList said;
  std::unique_ptr<RunnerSelection> selection;
};

TEST_F(RunnerSelectionTest, StartsOnTheFirstCountryAndATypedCodeChoosesAnother) {
  EXPECT_EQ(selection->Selection().country, "AT Oesterreich");
  EXPECT_EQ(selection->DataStatusCaption(), "--> FINAL Data");
  EXPECT_EQ(selection->Entries(FilterOf(FilterId::nutsRegion)), (std::vector<std::string>{"All", "AT1"}));
  EXPECT_TRUE(selection->Selection().byReviewedChange);

  selection->ChooseCountry("fr");
  const auto chosen = selection->Selection();
  EXPECT_EQ(chosen.country, "fr");
  EXPECT_EQ(chosen.watershed, "All");
  EXPECT_EQ(selection->Entries(FilterOf(FilterId::watershed)), (std::vector<std::string>{"All", "F1"}));
  EXPECT_EQ(selection->DataStatusCaption(), "--> PRELIMINARY Data");
  EXPECT_FALSE(chosen.byReviewedChange);
  selection->ChooseChangeType(1);  // FR has no change1: its button is off
  EXPECT_FALSE(selection->Selection().byReviewedChange);
  EXPECT_TRUE(said.isEmpty()) << said.join("\n").toStdString();
}

TEST_F(RunnerSelectionTest, ALevelReadsItsListAndATextNotInItIsTypedAsIs) {
  selection->ChooseLevel(FilterOf(FilterId::nutsRegion), 2);
  EXPECT_EQ(selection->Entries(FilterOf(FilterId::nutsRegion)),
            (std::vector<std::string>{"All", "AT111", "AT121"}));
  EXPECT_EQ(selection->Selection().nutsLevelIndex, 2);
  selection->SetText(FilterOf(FilterId::nutsRegion), "AT999");
  EXPECT_EQ(selection->Selection().nutsRegion, "AT999");
  EXPECT_TRUE(selection->Selection().unloadedBoxes.empty());
}

// A list that cannot be read holds no selection: the run is refused naming the boxes, in the window's order.
TEST_F(RunnerSelectionTest, ListsThatCouldNotBeReadAreNamedInTheWindowsOrder) {
  testing::ExecuteSql(folder.File("MOSA_DB.mdb"), "ALTER TABLE UNITS_FR RENAME TO OLD_FR;");
  selection->ChooseCountry("FR");
  ASSERT_EQ(said.size(), 1);
  EXPECT_TRUE(said[0].contains("UNITS_FR")) << said[0].toStdString();
  EXPECT_EQ(selection->Selection().unloadedBoxes,
            (std::vector<std::string>{"NUTS", "Elevation Breakdown", "Water Shed Code",
                                      "Distance to shoreline", "Dominant Land Cover Type"}));
}

}  // namespace
}  // namespace quorvia::app
