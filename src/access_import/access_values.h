#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

namespace quorvia::access_import {

// Decoders for the stored bytes of Access values. They read the bytes themselves so that nothing passes
// through a formatted text on the way: a double keeps its bits, a currency its four decimals.

// Jet 4 and ACE text: UTF-16LE, or Jet's compressed form (marker FF FE, then runs of one-byte characters
// and two-byte units, switched by a zero byte). Returns UTF-8; an unpaired surrogate becomes U+FFFD.
std::string DecodeUnicodeText(std::span<const std::uint8_t> bytes);

// Currency is a 64-bit integer of ten-thousandths: its exact decimal text, e.g. "-12.5" or "3".
std::string CurrencyText(std::int64_t tenThousandths);

// A date/time (days since 1899-12-30, the fraction being the time of day, also for dates before then) as
// ISO-8601 text "YYYY-MM-DD HH:MM:SS", with ".mmm" when the time has milliseconds; nullopt for a number
// outside the years 100 to 9999 (kept as a number by the caller).
std::optional<std::string> DateTimeText(double days);

// A replication ID (GUID) as "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
std::string GuidText(std::span<const std::uint8_t, 16> bytes);

// The stored row at a page-and-row number (page in the upper three bytes): where a memo or OLE value's
// bytes live when they are not inside the row.
using StoredRowFn = std::function<std::span<const std::uint8_t>(std::int32_t pageRow)>;

// The whole bytes of a memo or OLE value from its field in the row: a 12-byte header (length and kind,
// then the page and row of the bytes), followed by the bytes themselves when they fit in the row. Other
// values live in one stored row, or in a chain of rows each starting with the next one's page and row.
// Throws std::runtime_error when the value is damaged (incomplete, or a chain that goes nowhere).
std::string ReadLongValue(std::span<const std::uint8_t> field, const StoredRowFn& storedRow);

// Little-endian reads from stored bytes.
std::int64_t ReadInt64(const std::uint8_t* bytes);
double ReadDouble(const std::uint8_t* bytes);
float ReadFloat(const std::uint8_t* bytes);
std::int32_t ReadInt32(const std::uint8_t* bytes);
std::int16_t ReadInt16(const std::uint8_t* bytes);

}  // namespace quorvia::access_import
