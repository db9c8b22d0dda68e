#include <gtest/gtest.h>

#include "batch_run.h"
#include "copy_names.h"
#include "run_fixture.h"

namespace quorvia::query {
namespace {

class BatchRunTest : public ::testing::Test, public RunFixture {
 protected:
  BatchOutcome Run(const std::string& unit, const std::vector<std::string>& items, std::vector<bool> selected,
                   Selection selection = AllOn("AT Oesterreich")) {
    int count = 0;
    for (bool s : selected) count += s;
    const BatchRequest request{std::to_string(count), unit, items, std::move(selected), "Prefix"};
    const BatchWindow window{selection, "N2", "EBKL1DS",
                             [this](const std::string& text) { statuses.push_back(text); },
                             [this](int pointer) { pointers.push_back(pointer); }};
    return RunBatch(*database, request, window, conditions, texts, Refresher());
  }
  std::vector<std::string> CopyNames() const {
    std::vector<std::string> names;
    for (const auto& call : calls) {
      if (call.mode == kCopyMode) names.push_back(call.copyName);
    }
    return names;
  }

  Conditions conditions;
  SelectionTexts texts;
  std::vector<std::string> statuses;
  std::vector<int> pointers;
};

TEST_F(BatchRunTest, NutsItemsTestTheLevelColumnAndRefreshThenCopyEach) {
  const auto outcome = Run(kUnitNuts, {"AT11", "AT12", "AT21"}, {true, false, true});
  EXPECT_EQ(outcome.processed, 2);
  EXPECT_EQ(outcome.failed, 0);
  EXPECT_EQ(conditions.NutsCondition, " AND N2 = \"AT21\"");
  EXPECT_EQ(FilteredSql(),
            "SELECT change1 as CHANGE, sum(AREAHA) as AREA from DATA_AT where  N0CD = \"AT\" AND "
            "N2 = \"AT21\" group by change1");
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].mode, "Actualitza");
  EXPECT_EQ(calls[0].texts.SelNuts, "AT11");
  EXPECT_EQ(calls[0].texts.SelCountry, "AT Oesterreich");
  EXPECT_EQ(calls[1].mode, "copia");
  EXPECT_EQ(calls[1].texts.SelCountry, "");  // a copy run writes no cover page
  EXPECT_EQ(CopyNames(), (std::vector<std::string>{"Prefix_AT11", "Prefix_AT21"}));
  EXPECT_TRUE(pointers.empty());  // the unit loop leaves the pointer alone
}

TEST_F(BatchRunTest, ProgressTextsCountTheItems) {
  Run(kUnitLandCover, {"Arable land", "Forests", "Glaciers"}, {true, true, true});
  EXPECT_EQ(statuses, (std::vector<std::string>{"Processing update 1 of 3...", "Processing update 2 of 3...",
                                                "Processing update 3 of 3..."}));
  EXPECT_EQ(BatchFinishedText(BatchOutcome{3, 0, {}, {}}), "Tasks finished");
}

TEST_F(BatchRunTest, CountryItemsUseTheirOwnTableAndBeDeGroupByChange2) {
  Run(kUnitCountry, {"at oesterreich", "be belgique-belgie"}, {true, true});
  EXPECT_EQ(FilteredSql(),
            "SELECT change2 as CHANGE, sum(AREAHA) as AREA from DATA_be where  N0CD = \"be\" "
            "group by change2");
  EXPECT_DOUBLE_EQ(testing::QueryNumber(DatabasePath(), "SELECT sum(AREA) FROM FILTERED"), 7.0);
  EXPECT_EQ(calls[0].texts.SelCountry, "at oesterreich");
  EXPECT_EQ(calls[2].texts.SelCountry, "be belgique-belgie");
  EXPECT_EQ(CopyNames(), (std::vector<std::string>{"Prefix_at oesterreich", "Prefix_be belgique-belgie"}));
  EXPECT_EQ(pointers, (std::vector<int>{11, 11}));
}

TEST_F(BatchRunTest, OtherFiltersOfTheWindowStayInForce) {
  Selection selection = AllOn("AT Oesterreich");
  selection.Combo6 = "Forests";
  Run(kUnitWatershed, {"N1"}, {true}, selection);
  EXPECT_DOUBLE_EQ(testing::QueryNumber(DatabasePath(), "SELECT sum(AREA) FROM FILTERED"), 5.0);
}

TEST_F(BatchRunTest, ShorelineCopiesAreNamedByClassAndNeverOverwriteEachOther) {
  Run(kUnitShoreline, {"< 10 Km from shoreline", "10 - 50 Km from shoreline", "> 50 Km from shoreline"},
      {true, true, true});
  EXPECT_EQ(CopyNames(), (std::vector<std::string>{"Prefix_Less than 10km", "Prefix_More than 10km",
                                                   "Prefix_More than 10km (2)"}));
  EXPECT_EQ(calls[2].texts.SelShoreline, "10 - 50 Km from shoreline");
}

TEST_F(BatchRunTest, FailedItemsAreCountedNotHidden) {
  answer.failures.push_back("SaveCopyAs: disk full");
  const auto outcome = Run(kUnitNuts, {"AT11", "AT12"}, {true, true});
  EXPECT_EQ(outcome.failed, 2);
  const auto text = BatchFinishedText(outcome);
  EXPECT_EQ(text.rfind("Tasks finished\r\n2 of 2 items failed", 0), 0u) << text;
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
