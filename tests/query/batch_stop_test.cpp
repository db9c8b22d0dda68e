#include "query/batch_stop.h"

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace quorvia::query {
namespace {

class BatchStopTest : public ::testing::Test, public RunFixture {
 protected:
  // A land-cover batch over three items that is asked to stop once `stopAfter` items have begun.
  BatchOutcome RunStoppingAfter(int stopAfter) {
    auto run = session->StartBatch({"3",
                                    Unit(FilterId::landCover),
                                    {"Arable land", "Forests", "Glaciers"},
                                    {true, true, true},
                                    "Prefix",
                                    AllOn("AT Oesterreich")});
    return RunBatch(
        run, [this](const BatchStep& step) { steps.push_back(step.statusText); },
        [this, stopAfter] { return static_cast<int>(steps.size()) >= stopAfter; });
  }
  std::vector<std::string> steps;
};

TEST_F(BatchStopTest, AStopTakesEffectBetweenItemsAndTheLabelCountsWhatWasDone) {
  const auto outcome = RunStoppingAfter(1);
  EXPECT_EQ(steps, std::vector<std::string>{"Processing update 1 of 3..."});
  EXPECT_EQ(Copies(), std::vector<std::string>{"Prefix_Arable land"});  // the item in hand finished
  EXPECT_EQ(outcome.labelText, "Stopped: 1 of 3 items done; not run: Forests, Glaciers");
}

TEST_F(BatchStopTest, AStopAfterTheLastItemIsARunToTheEnd) {
  EXPECT_EQ(RunStoppingAfter(3).labelText, "Tasks finished");
  EXPECT_EQ(Copies().size(), 3u);
}

TEST(BatchStoppedText, KeepsTheLinesAboutFailedItems) {
  BatchOutcome outcome;
  outcome.processed = 2;
  outcome.failed = 1;
  outcome.failures = {"AT11: the report was not saved"};
  outcome.failedItems = {"AT11"};
  EXPECT_EQ(BatchStoppedText(outcome, 5),
            "Stopped: 1 of 5 items done; failed: AT11\r\nFirst failure: AT11: the report was not saved");
}

}  // namespace
}  // namespace quorvia::query
