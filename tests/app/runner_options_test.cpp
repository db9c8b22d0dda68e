#include <gtest/gtest.h>

#include "app/runner_options.h"
#include "app/window_command_line.h"

namespace quorvia::app {
namespace {

TEST(RunnerOptions, ReadsASelectionAndABatch) {
  const auto options = ParseRunnerOptions({"--folder", "/tmp/q", "--country", "AT Oesterreich",
                                           "--nuts-level", "2", "--batch", "Nuts", "--item", "AT11", "--item",
                                           "AT12", "--prefix", "", "--lists", "--screenshot", "w.png"});
  EXPECT_EQ(options.folder, "/tmp/q");
  EXPECT_EQ(options.Text(query::FilterId::country), "AT Oesterreich");
  EXPECT_EQ(options.Level(query::FilterId::nutsRegion), 2);
  EXPECT_EQ(options.batchUnit, "Nuts");
  EXPECT_EQ(options.batchItems, (std::vector<std::string>{"AT11", "AT12"}));
  EXPECT_EQ(options.prefix, "");
  EXPECT_TRUE(options.printLists);
  EXPECT_EQ(options.screenshot, "w.png");
  EXPECT_FALSE(options.update);
}

// Each filter of the table is read from its own option, into its own place, with its level where it has one.
TEST(RunnerOptions, EveryFilterHasItsOptionAndALevelledOneItsLevel) {
  std::vector<std::string> arguments{"--folder", "f"};
  for (const auto& filter : query::kFilters) {
    arguments.insert(arguments.end(), {std::string("--") + filter.optionName, filter.unitName});
    if (query::LevelCount(filter) > 0) {
      arguments.insert(arguments.end(), {std::string("--") + filter.optionName + "-level",
                                         std::to_string(query::LevelCount(filter))});
    }
  }
  const auto options = ParseRunnerOptions(arguments);
  for (const auto& filter : query::kFilters) {
    EXPECT_EQ(options.Text(filter.id), filter.unitName) << filter.optionName;
    const auto expected =
        query::LevelCount(filter) > 0 ? std::optional(query::LevelCount(filter)) : std::nullopt;
    EXPECT_EQ(options.Level(filter.id), expected) << filter.optionName;
  }
  // Scripts keep today's spellings.
  const auto spelled = ParseRunnerOptions({"--folder", "f", "--landcover", "Forests", "--shoreline", "s",
                                           "--watershed", "w", "--elevation-level", "2"});
  EXPECT_EQ(spelled.Text(query::FilterId::landCover), "Forests");
  EXPECT_EQ(spelled.Text(query::FilterId::shoreline), "s");
  EXPECT_EQ(spelled.Text(query::FilterId::watershed), "w");
  EXPECT_EQ(spelled.Level(query::FilterId::elevation), 2);
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

TEST(RunnerOptions, HelpAndTheFolderCommandsStandAlone) {
  EXPECT_TRUE(ParseRunnerOptions({"--help"}).help);
  EXPECT_TRUE(ParseRunnerOptions({"--folder", "f", "--update", "--help"}).help);
  EXPECT_EQ(ParseRunnerOptions({"--make-template", "f/MOSA_DB.mdb"}).makeTemplate, "f/MOSA_DB.mdb");
  EXPECT_EQ(ParseRunnerOptions({"--make-demo", "d"}).makeDemo, "d");
  EXPECT_THROW(ParseRunnerOptions({"--make-template"}), std::invalid_argument);
  EXPECT_THROW(ParseRunnerOptions({"--make-template", "f", "--update"}), std::invalid_argument);
}

// quorvia's own command line, read before any window: Qt's options pass, anything else is said.
TEST(WindowCommandLine, TakesOneFolderItsOptionsAndQtsOwn) {
  const auto line = ParseWindowCommandLine({"-platform", "offscreen", "--choose-folder", "-reverse", "f"});
  EXPECT_TRUE(line.chooseFolder);
  EXPECT_EQ(line.folder, "f");
  EXPECT_FALSE(line.help);
  EXPECT_TRUE(ParseWindowCommandLine({"f", "-h"}).help);
  EXPECT_FALSE(ParseWindowCommandLine({}).folder);
  EXPECT_THROW(ParseWindowCommandLine({"a", "b"}), std::invalid_argument);
  EXPECT_THROW(ParseWindowCommandLine({"--bogus"}), std::invalid_argument);
  EXPECT_THROW(ParseWindowCommandLine({"-platform"}), std::invalid_argument);
  EXPECT_EQ(ParseWindowCommandLine({"-"}).folder, "-");
}

}  // namespace
}  // namespace quorvia::app
