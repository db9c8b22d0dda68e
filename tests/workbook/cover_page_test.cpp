#include "cover_page.h"

#include <gtest/gtest.h>

namespace quorvia::workbook {
namespace {

TEST(ChangeSource, FollowsTheChangeFieldExceptForLowerCaseBelgiumAndGermany) {
  struct Case {
    const char* changeField;
    const char* country;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{
           {"change1", "FR France", "VARDA90 reviewed"},
           {"change2", "FR France", "Changes database"},
           {"Change1", "FR France", "Changes database"},
           {"change1", "BE Belgique-Belgie", "VARDA90 reviewed"},
           {"change1", "be Belgique-Belgie", "Changes database"},
           {"change1", "de Deutschland", "Changes database"},
           {"change1", "De Deutschland", "VARDA90 reviewed"},
           {"change1", "de", "Changes database"},
           {"change1", "d", "VARDA90 reviewed"},
           {"change1", "", "VARDA90 reviewed"},
       }) {
    EXPECT_EQ(ChangeSource(c.changeField, c.country), c.expected) << c.changeField << " / " << c.country;
  }
}

}  // namespace
}  // namespace quorvia::workbook
