// The workbook's record of its data connection.
#include <gtest/gtest.h>

#include "office_test_support.h"
#include "workbook/office/binding/data_binding.h"

namespace quorvia::workbook::office::testing {
namespace {

TEST(DataBindingRecord, RoundTripsAndRejectsAnythingThatIsNotAPlainFileAndQuery) {
  const DataBinding binding{"MOSA_DB.mdb", "FILTERED"};
  EXPECT_EQ(FormatBindingRecord(binding), "sqlite:MOSA_DB.mdb#FILTERED");
  EXPECT_EQ(ParseBindingRecord("sqlite:MOSA_DB.mdb#FILTERED"), binding);
  EXPECT_EQ(ParseBindingRecord("sqlite:my#db.mdb#Q_1"), (DataBinding{"my#db.mdb", "Q_1"}));
  for (const char* text :
       {"", "MOSA_DB.mdb#FILTERED", "SQLITE:MOSA_DB.mdb#FILTERED", "sqlite:MOSA_DB.mdb", "sqlite:#FILTERED",
        "sqlite:MOSA_DB.mdb#", "sqlite:../MOSA_DB.mdb#FILTERED", "sqlite:/etc/passwd#FILTERED",
        "sqlite:..#FILTERED", "sqlite:MOSA_DB.mdb#FILTERED; DROP TABLE DATA_AT", "sqlite:MOSA_DB.mdb#1ST",
        "sqlite:MOSA_DB.mdb#\"FILTERED\""}) {
    EXPECT_FALSE(ParseBindingRecord(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
