#include <gtest/gtest.h>

#include "app/runner_options.h"

namespace quorvia::app {
namespace {

TEST(RunnerOptions, ReadsASelectionAndABatch) {
  const auto options = ParseRunnerOptions({"--folder", "/tmp/q", "--country", "AT Oesterreich",
                                           "--nuts-level", "2", "--batch", "Nuts", "--item", "AT11", "--item",
                                           "AT12", "--prefix", "", "--lists", "--screenshot", "w.png"});
  EXPECT_EQ(options.folder, "/tmp/q");
  EXPECT_EQ(options.country, "AT Oesterreich");
  EXPECT_EQ(options.nutsLevel, 2);
  EXPECT_EQ(options.batchUnit, "Nuts");
  EXPECT_EQ(options.batchItems, (std::vector<std::string>{"AT11", "AT12"}));
  EXPECT_EQ(options.prefix, "");
  EXPECT_TRUE(options.printLists);
  EXPECT_EQ(options.screenshot, "w.png");
  EXPECT_FALSE(options.update);
}

TEST(RunnerOptions, RejectsWhatCannotBeRun) {
  EXPECT_THROW(ParseRunnerOptions({"--update"}), std::invalid_argument);  // no folder
  EXPECT_THROW(ParseRunnerOptions({"--folder", "f", "--nuts-level", "4"}), std::invalid_argument);
  EXPECT_THROW(ParseRunnerOptions({"--folder", "f", "--elevation-level", "3"}), std::invalid_argument);
  EXPECT_THROW(ParseRunnerOptions({"--folder", "f", "--batch", "Nuts"}), std::invalid_argument);  // no items
  EXPECT_THROW(ParseRunnerOptions({"--folder", "f", "--all-items"}), std::invalid_argument);      // no batch
  EXPECT_THROW(ParseRunnerOptions({"--folder", "f", "--country"}), std::invalid_argument);        // no value
  EXPECT_THROW(ParseRunnerOptions({"--folder", "f", "--colour", "red"}), std::invalid_argument);
}

}  // namespace
}  // namespace quorvia::app
