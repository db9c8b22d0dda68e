#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "demo_database.h"
#include "sqlite_reader.h"
#include "temp_folder.h"

namespace quorvia::tools {
namespace {

using testing::SqliteReader;
using TestFolder = quorvia::testing::TempFolder;

DemoOptions Small(std::uint32_t seed = 1) {
  DemoOptions options;
  options.seed = seed;
  options.recordsPerCountry = 20;
  return options;
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> Records(const std::string& path) {
  return SqliteReader(path).Rows("SELECT * FROM DATA_AT ORDER BY rowid");
}

TEST(DemoDatabaseFailureTest, FailedWritesLeaveNoFileBehind) {
  TestFolder folder;
  EXPECT_THROW(WriteDemoDatabase(folder.File("missing/MOSA_DB.mdb"), Small()), std::runtime_error);
  EXPECT_TRUE(FilesIn(folder.Path()).empty());

  // A folder in the way of the final rename: building succeeds, moving the file into place fails.
  const std::string path = folder.File("MOSA_DB.mdb");
  std::filesystem::create_directories(path + "/keep");
  EXPECT_THROW(WriteDemoDatabase(path, Small()), std::runtime_error);
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"MOSA_DB.mdb"});
  EXPECT_TRUE(std::filesystem::is_directory(path + "/keep"));
}

TEST(DemoDatabaseFailureTest, ExistingDatabaseIsReplacedOnlyByAFinishedOne) {
  TestFolder folder;
  const std::string path = folder.File("MOSA_DB.mdb");
  WriteDemoDatabase(path, Small(1));
  const auto first = Records(path);

  DemoOptions unknownCountry = Small(2);
  unknownCountry.largeCountry = "XX";
  EXPECT_THROW(WriteDemoDatabase(path, unknownCountry), std::invalid_argument);
  DemoOptions negative = Small(2);
  negative.recordsPerCountry = -1;
  EXPECT_THROW(WriteDemoDatabase(path, negative), std::invalid_argument);
  EXPECT_EQ(Records(path), first);

  WriteDemoDatabase(path, Small(2));
  EXPECT_NE(Records(path), first);
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"MOSA_DB.mdb"});
}

TEST(DemoDatabaseFailureTest, LeftoversOfACrashedRunDoNotEnterTheNewDatabase) {
  TestFolder folder;
  const std::string path = folder.File("MOSA_DB.mdb");
  WriteDemoDatabase(path + ".tmp", Small(3));  // a complete database where the temporary file goes
  std::ofstream(path + ".tmp-journal") << "not a journal";

  WriteDemoDatabase(path, Small(4));
  EXPECT_EQ(SqliteReader(path).Number("SELECT count(*) FROM DATA_AT"), 20);
  EXPECT_EQ(FilesIn(folder.Path()), std::vector<std::string>{"MOSA_DB.mdb"});
}

}  // namespace
}  // namespace quorvia::tools
