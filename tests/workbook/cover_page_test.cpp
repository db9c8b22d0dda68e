#include "workbook/cover_page.h"

#include <gtest/gtest.h>

namespace quorvia::workbook {
namespace {

TEST(ChangeSource, FollowsTheChangeColumnExactly) {
  EXPECT_EQ(ChangeSource("change1"), "VARDA90 reviewed");
  EXPECT_EQ(ChangeSource("change2"), "Changes database");
  EXPECT_EQ(ChangeSource("Change1"), "Changes database");
  EXPECT_EQ(ChangeSource(""), "Changes database");
}

}  // namespace
}  // namespace quorvia::workbook
