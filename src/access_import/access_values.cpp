#include "access_import/access_values.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace quorvia::access_import {
namespace {

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Turns UTF-16 code units into UTF-8, pairing surrogates.
class Utf16Sink {
 public:
  explicit Utf16Sink(std::string& out) : out_(out) {}
  ~Utf16Sink() { FlushPendingHigh(); }
  Utf16Sink(const Utf16Sink&) = delete;
  Utf16Sink& operator=(const Utf16Sink&) = delete;

  void Put(char16_t unit) {
    if (unit >= 0xD800 && unit < 0xDC00) {
      FlushPendingHigh();
      high_ = unit;
      return;
    }
    if (unit >= 0xDC00 && unit < 0xE000) {
      if (high_ != 0) {
        AppendUtf8(out_, 0x10000 + ((static_cast<char32_t>(high_) - 0xD800) << 10) + (unit - 0xDC00));
        high_ = 0;
      } else {
        AppendUtf8(out_, 0xFFFD);
      }
      return;
    }
    FlushPendingHigh();
    AppendUtf8(out_, unit);
  }

 private:
  void FlushPendingHigh() {
    if (high_ != 0) AppendUtf8(out_, 0xFFFD);
    high_ = 0;
  }
  std::string& out_;
  char16_t high_ = 0;
};

constexpr std::size_t kLongValueHeader = 12;
constexpr std::uint32_t kInlineValue = 0x80000000u;
constexpr std::uint32_t kSinglePageValue = 0x40000000u;
constexpr std::uint32_t kLengthMask = 0x3fffffffu;

constexpr double kFirstDay = -657434;  // 0100-01-01
constexpr double kLastDay = 2958466;   // 10000-01-01, exclusive

// Gregorian date of a day count from 1970-01-01.
void CivilFromDays(std::int64_t z, int& year, unsigned& month, unsigned& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  day = doy - (153 * mp + 2) / 5 + 1;
  month = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

}  // namespace

std::string DecodeUnicodeText(std::span<const std::uint8_t> bytes) {
  std::string text;
  text.reserve(bytes.size());
  Utf16Sink sink(text);
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    bool compressed = true;
    for (std::size_t i = 2; i < bytes.size();) {
      if (bytes[i] == 0) {
        compressed = !compressed;
        ++i;
      } else if (compressed) {
        sink.Put(bytes[i]);
        ++i;
      } else if (i + 1 < bytes.size()) {
        sink.Put(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
        i += 2;
      } else {
        break;  // a dangling half unit carries no character
      }
    }
    return text;
  }
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    sink.Put(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return text;
}

std::string CurrencyText(std::int64_t tenThousandths) {
  const bool negative = tenThousandths < 0;
  // Unsigned arithmetic keeps the most negative value exact.
  const std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(tenThousandths) + 1 : static_cast<std::uint64_t>(tenThousandths);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / 10000);
  std::uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04u", static_cast<unsigned>(fraction));
    std::string decimals(digits);
    decimals.erase(decimals.find_last_not_of('0') + 1);
    text += "." + decimals;
  }
  return text;
}

std::optional<std::string> DateTimeText(double days) {
  if (!std::isfinite(days) || days < kFirstDay || days >= kLastDay) return std::nullopt;
  // The whole part counts days (negative before 1899-12-30); the fraction is always the time after
  // midnight of that day, whatever the sign.
  auto day = static_cast<std::int64_t>(days);
  auto milliseconds = std::llround(std::fabs(days - static_cast<double>(day)) * 86'400'000.0);
  if (milliseconds >= 86'400'000) {
    ++day;
    milliseconds -= 86'400'000;
  }
  int year = 0;
  unsigned month = 0;
  unsigned dayOfMonth = 0;
  CivilFromDays(day - 25569, year, month, dayOfMonth);  // 25569 days from 1899-12-30 to 1970-01-01
  const auto seconds = milliseconds / 1000;
  char text[32];
  int length = std::snprintf(text, sizeof text, "%04d-%02u-%02u %02lld:%02lld:%02lld", year, month,
                             dayOfMonth, seconds / 3600, seconds / 60 % 60, seconds % 60);
  if (milliseconds % 1000 != 0) {
    std::snprintf(text + length, sizeof text - length, ".%03lld", milliseconds % 1000);
  }
  return std::string(text);
}

std::string GuidText(std::span<const std::uint8_t, 16> b) {
  char text[40];
  std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return text;
}

std::string ReadLongValue(std::span<const std::uint8_t> field, const StoredRowFn& storedRow) {
  if (field.size() < kLongValueHeader) throw std::runtime_error("a memo field is shorter than its header");
  const auto lengthAndKind = static_cast<std::uint32_t>(ReadInt32(field.data()));
  const std::size_t length = lengthAndKind & kLengthMask;
  const auto chars = [](std::span<const std::uint8_t> bytes) {
    return std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  };
  std::string value;
  if (lengthAndKind & kInlineValue) {
    const auto inside = field.subspan(kLongValueHeader);
    value = chars(inside.first(std::min(inside.size(), length)));
  } else if (lengthAndKind & kSinglePageValue) {
    const auto row = storedRow(ReadInt32(field.data() + 4));
    value = chars(row.first(std::min(row.size(), length)));
  } else if ((lengthAndKind & ~kLengthMask) == 0) {
    value.reserve(length);
    for (auto pageRow = ReadInt32(field.data() + 4); value.size() < length;) {
      const auto row = storedRow(pageRow);
      // Each row of the chain holds the next one's address and at least one byte of the value.
      if (row.size() <= 4) throw std::runtime_error("a memo page holds no data");
      value += chars(row.subspan(4, std::min(row.size() - 4, length - value.size())));
      pageRow = ReadInt32(row.data());
      if (pageRow == 0) break;
    }
  }
  if (value.size() != length) {
    throw std::runtime_error("a memo value is incomplete (" + std::to_string(value.size()) + " of " +
                             std::to_string(length) + " bytes)");
  }
  return value;
}

std::int64_t ReadInt64(const std::uint8_t* bytes) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
  return static_cast<std::int64_t>(value);
}

double ReadDouble(const std::uint8_t* bytes) { return std::bit_cast<double>(ReadInt64(bytes)); }

std::int32_t ReadInt32(const std::uint8_t* bytes) {
  const std::uint32_t value =
      bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
  return static_cast<std::int32_t>(value);
}

float ReadFloat(const std::uint8_t* bytes) { return std::bit_cast<float>(ReadInt32(bytes)); }

std::int16_t ReadInt16(const std::uint8_t* bytes) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8)));
}

}  // namespace quorvia::access_import
