#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <stdexcept>

#include "access_import/access_values.h"

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

// A memo field's 12-byte header: length and kind, then the page and row of its bytes.
std::vector<std::uint8_t> MemoField(std::uint32_t lengthAndKind, std::int32_t pageRow,
                                    std::string inside = "") {
  std::vector<std::uint8_t> field(12, 0);
  for (int i = 0; i < 4; ++i) {
    field[i] = static_cast<std::uint8_t>(lengthAndKind >> (8 * i));
    field[4 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(pageRow) >> (8 * i));
  }
  field.insert(field.end(), inside.begin(), inside.end());
  return field;
}

// Stored rows by page-and-row number; a chained row starts with the next one's number.
struct Pages {
  std::map<std::int32_t, std::vector<std::uint8_t>> rows;
  void Chain(std::int32_t at, std::int32_t next, const std::string& bytes) {
    rows[at] = std::vector<std::uint8_t>(4);
    for (int i = 0; i < 4; ++i)
      rows[at][i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(next) >> (8 * i));
    rows[at].insert(rows[at].end(), bytes.begin(), bytes.end());
  }
  StoredRowFn Reader() const {
    return [this](std::int32_t pageRow) -> std::span<const std::uint8_t> { return rows.at(pageRow); };
  }
};

TEST(AccessValues, MemoValuesComeWholeFromTheRowOnePageOrAChainAndDamageIsAnError) {
  Pages pages;
  EXPECT_EQ(ReadLongValue(MemoField(0x80000000u | 5, 0, "hello"), pages.Reader()), "hello");

  pages.rows[0x1203] = {'o', 'n', 'e', ' ', 'p', 'a', 'g', 'e'};
  EXPECT_EQ(ReadLongValue(MemoField(0x40000000u | 8, 0x1203), pages.Reader()), "one page");

  pages.Chain(0x2001, 0x3507, "first part, ");
  pages.Chain(0x3507, 0x0902, "second part, ");
  pages.Chain(0x0902, 0, "end");
  EXPECT_EQ(ReadLongValue(MemoField(28, 0x2001), pages.Reader()), "first part, second part, end");

  // A chain that ends early, and one that loops on a row holding nothing, are damaged values.
  EXPECT_THROW(ReadLongValue(MemoField(40, 0x2001), pages.Reader()), std::runtime_error);
  pages.Chain(0x4000, 0x4000, "");
  EXPECT_THROW(ReadLongValue(MemoField(10, 0x4000), pages.Reader()), std::runtime_error);
  EXPECT_THROW(ReadLongValue(MemoField(0x80000000u | 9, 0, "short"), pages.Reader()), std::runtime_error);
}

}  // namespace
}  // namespace quorvia::access_import
