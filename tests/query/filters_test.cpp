// What is written about the filters outside the program follows the filter table.
#include "query/filters.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace quorvia::query {
namespace {

std::string FileText(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// The runner's manual lists the batch units a user may name; a filter added to the table belongs there.
TEST(FiltersInTheManual, TheRunnersManualNamesEveryBatchUnit) {
  const std::string manual = FileText(std::string(QUORVIA_MAN_DIR) + "/quorvia-run.1");
  ASSERT_FALSE(manual.empty());
  for (const Filter& filter : kFilters) {
    EXPECT_NE(manual.find('"' + std::string(filter.unitName) + '"'), std::string::npos) << filter.unitName;
  }
}

}  // namespace
}  // namespace quorvia::query
