#include "demo_command_line.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "sqlite_reader.h"
#include "temp_folder.h"

namespace quorvia::tools {
namespace {

using testing::SqliteReader;
using TestFolder = quorvia::testing::TempFolder;

TEST(DemoCommandLineTest, ReadsEveryOption) {
  const DemoCommand command = ParseDemoCommandLine({"--records", "12", "--out", "bin/MOSA_DB.mdb", "--large",
                                                    "fr", "--seed", "4294967295", "--large-records", "0"});
  EXPECT_EQ(command.outPath, "bin/MOSA_DB.mdb");
  EXPECT_EQ(command.options.seed, 4294967295u);
  EXPECT_EQ(command.options.recordsPerCountry, 12);
  EXPECT_EQ(command.options.largeCountry, "FR");
  EXPECT_EQ(command.options.largeRecords, 0);
  EXPECT_FALSE(command.showHelp);

  EXPECT_TRUE(ParseDemoCommandLine({"--help"}).showHelp);
}

TEST(DemoCommandLineTest, RejectsFaultyCommandLines) {
  const std::vector<std::string> faulty = {"",
                                           "--seed 3",
                                           "--out",
                                           "--out a --out b",
                                           "--out a --verbose",
                                           "--out a extra",
                                           "--out a --records -5",
                                           "--out a --records 12x",
                                           "--out a --records 2147483648",
                                           "--out a --seed 4294967296",
                                           "--out a --large XX",
                                           "--out a --large FRA",
                                           "--out a --large-records 10"};
  for (const std::string& line : faulty) {
    std::vector<std::string> arguments;
    std::istringstream words(line);
    for (std::string word; words >> word;) arguments.push_back(word);
    EXPECT_THROW(ParseDemoCommandLine(arguments), UsageError) << line;
  }
  EXPECT_THROW(ParseDemoCommandLine({"--out", ""}), UsageError);
}

struct RunResult {
  int exitCode;
  std::string output;
};

// Runs the real program with its output (both streams) captured in a file of the folder.
RunResult RunProgram(const TestFolder& folder, const std::string& arguments) {
  const std::string log = folder.File("output.txt");
  const int status =
      std::system((std::string(MAKE_DEMO_DB_PATH) + " " + arguments + " > " + log + " 2>&1").c_str());
  std::stringstream output;
  output << std::ifstream(log).rdbuf();
  std::filesystem::remove(log);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output.str()};
}

TEST(DemoCommandLineTest, ProgramWritesTheDatabaseOrSaysWhyNot) {
  TestFolder folder;
  const RunResult usage = RunProgram(folder, "--records lots");
  EXPECT_EQ(usage.exitCode, 2);
  EXPECT_NE(usage.output.find("--records needs a whole number"), std::string::npos) << usage.output;
  EXPECT_NE(usage.output.find("Usage: "), std::string::npos) << usage.output;

  const RunResult failed = RunProgram(folder, "--out " + folder.File("missing/MOSA_DB.mdb") + " --records 5");
  EXPECT_EQ(failed.exitCode, 1);
  EXPECT_NE(failed.output.find("could not write the demo database"), std::string::npos) << failed.output;

  const std::string path = folder.File("MOSA_DB.mdb");
  const RunResult written =
      RunProgram(folder, "--out " + path + " --records 5 --large it --large-records 40");
  ASSERT_EQ(written.exitCode, 0) << written.output;
  const SqliteReader db(path);
  EXPECT_EQ(db.Number("SELECT count(*) FROM DATA_IT"), 40);
  EXPECT_EQ(db.Number("SELECT count(*) FROM DATA_NL"), 5);
}

}  // namespace
}  // namespace quorvia::tools
