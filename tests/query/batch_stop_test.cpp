#include "query/batch_stop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "run_fixture.h"

namespace quorvia::query {
namespace {

class BatchStopTest : public ::testing::Test, public RunFixture {
 protected:
  // A land-cover batch over three items that is asked to stop once `stopAfter` items have begun.
  BatchOutcome RunStoppingAfter(int stopAfter) {
    auto run = StartBatch(*session, {"3",
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

TEST_F(BatchStopTest, AHeldBatchStartsNoItemUntilReleased) {
  BatchHold hold;
  hold.Hold();
  auto run = StartBatch(*session, {"2",
                                   Unit(FilterId::landCover),
                                   {"Forests", "Glaciers"},
                                   {true, true},
                                   "Prefix",
                                   AllOn("AT Oesterreich")});
  std::atomic<int> begun{0};
  auto batch = std::async(std::launch::async, [&] {
    return RunBatch(
        run, [&](const BatchStep&) { ++begun; },
        [&] {
          hold.WaitWhileHeld();
          return false;
        });
  });
  EXPECT_EQ(batch.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
  EXPECT_EQ(begun.load(), 0);
  hold.Release();
  EXPECT_EQ(batch.get().labelText, "Tasks finished");
  EXPECT_EQ(begun.load(), 2);
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
