#include "workbook/cover_page.h"

#include <gtest/gtest.h>

#include <vector>

#include "workbook/cover_layout.h"

namespace quorvia::workbook {
namespace {

TEST(ChangeSource, FollowsTheChangeColumnExactly) {
  EXPECT_EQ(ChangeSource("change1"), "VARDA90 reviewed");
  EXPECT_EQ(ChangeSource("change2"), "Changes database");
  EXPECT_EQ(ChangeSource("Change1"), "Changes database");
  EXPECT_EQ(ChangeSource(""), "Changes database");
}

// The six filters of today fill B13 and B15..B19; more go on below the change source, so that neither a
// filter nor a stored workbook's status and source cells move.
TEST(CoverLayout, SelectionRowsKeepClearOfTheFixedCells) {
  std::vector<int> rows;
  for (std::size_t place = 0; place < 9; ++place) rows.push_back(SelectionRow(place));
  EXPECT_EQ(rows, (std::vector<int>{13, 15, 16, 17, 18, 19, 21, 22, 23}));
  EXPECT_EQ(CoverCellOf(kDataStatusRow), "B12");
  EXPECT_EQ(CoverCellOf(kChangeSourceRow), "B20");
}

TEST(CoverLayout, ReadsTheRowOfATextCellOnly) {
  EXPECT_EQ(CoverRowOf("B13"), 13);
  EXPECT_EQ(CoverRowOf("B120"), 120);
  EXPECT_EQ(CoverRowOf("A13"), 0);
  EXPECT_EQ(CoverRowOf("B"), 0);
  EXPECT_EQ(CoverRowOf("B1x"), 0);
  EXPECT_EQ(CoverRowOf(nullptr), 0);
}

}  // namespace
}  // namespace quorvia::workbook
