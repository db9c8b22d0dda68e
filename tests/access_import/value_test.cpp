#include <gtest/gtest.h>

#include <limits>

#include "access_values.h"

namespace quorvia::access_import {
namespace {

std::string Decode(std::initializer_list<std::uint8_t> bytes) {
  const std::vector<std::uint8_t> stored(bytes);
  return DecodeUnicodeText(stored);
}

TEST(AccessValues, CompressedAndPlainUnicodeTextBecomeTheSameUtf8) {
  // "Mañana €": compressed run "Ma", ñ as one byte, "ana ", then a two-byte run for €.
  EXPECT_EQ(Decode({0xFF, 0xFE, 'M', 'a', 0xF1, 'a', 'n', 'a', ' ', 0x00, 0xAC, 0x20}), "Mañana €");
  EXPECT_EQ(Decode({'M', 0, 'a', 0, 0xF1, 0, 0xAC, 0x20}), "Mañ€");
  EXPECT_EQ(Decode({0x3D, 0xD8, 0x00, 0xDE}), "\U0001F600");  // a surrogate pair
  EXPECT_EQ(Decode({0x3D, 0xD8, 'x', 0}), "\uFFFDx");         // an unpaired half
  EXPECT_EQ(Decode({}), "");
}

TEST(AccessValues, DatesAreIsoTextAndCurrencyItsExactDecimal) {
  EXPECT_EQ(DateTimeText(0.0), "1899-12-30 00:00:00");
  EXPECT_EQ(DateTimeText(29932.5), "1981-12-12 12:00:00");
  // Before 1899-12-30 the whole part counts back while the fraction still runs forward from midnight.
  EXPECT_EQ(DateTimeText(-1.25), "1899-12-29 06:00:00");
  EXPECT_EQ(DateTimeText(36526.0 + 1.5 / 86400), "2000-01-01 00:00:01.500");
  EXPECT_EQ(DateTimeText(2958465.99999999), "9999-12-31 23:59:59.999");
  EXPECT_EQ(DateTimeText(1e300), std::nullopt);

  EXPECT_EQ(CurrencyText(35000), "3.5");
  EXPECT_EQ(CurrencyText(-1), "-0.0001");
  EXPECT_EQ(CurrencyText(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808");
}

}  // namespace
}  // namespace quorvia::access_import
