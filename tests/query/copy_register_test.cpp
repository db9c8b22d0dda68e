// The register of a batch's copies, on real files: a copy changed since it was written is the user's file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "query/copy_register.h"
#include "sqlite_fixture.h"

namespace quorvia::query {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::string& content) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
}

TEST(CopyRegisterTest, ACopyChangedKeepingItsSizeAndTimeIsNoLongerACopy) {
  testing::TempFolder folder;
  const fs::path copy = fs::path(folder.str()) / "Run_AT11.xls";
  Write(copy, "figures of AT11");
  CopyRegister(folder.str()).Note("Run_AT11.xls");
  EXPECT_TRUE(CopyRegister(folder.str()).IsReportCopy("Run_AT11.xls"));

  // Another program writes the same number of bytes and sets the time back, as a copy tool may.
  const auto time = fs::last_write_time(copy);
  Write(copy, "notes of a user");
  fs::last_write_time(copy, time);

  EXPECT_FALSE(CopyRegister(folder.str()).IsReportCopy("Run_AT11.xls"));
}

TEST(CopyRegisterTest, ARegisterOfTheEarlierFormWithoutHashesCountsNoCopy) {
  testing::TempFolder folder;
  const fs::path copy = fs::path(folder.str()) / "Run_AT11.xls";
  Write(copy, "figures of AT11");
  const auto time = fs::last_write_time(copy).time_since_epoch().count();
  std::ofstream(fs::path(folder.str()) / CopyRegister::kFileName)
      << fs::file_size(copy) << ' ' << time << " Run_AT11.xls\n";
  EXPECT_FALSE(CopyRegister(folder.str()).IsReportCopy("Run_AT11.xls"));
}

}  // namespace
}  // namespace quorvia::query
