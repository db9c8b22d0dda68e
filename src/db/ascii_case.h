#pragma once

#include <string>
#include <string_view>

namespace quorvia::db {

// Names of tables, columns and stored queries match without regard to letter case, the way SQLite itself
// matches identifiers: only the ASCII letters are folded.
bool EqualsIgnoringAsciiCase(std::string_view left, std::string_view right) noexcept;

// The text with its ASCII letters in lower case, as a key that matches the way the names above match.
std::string LowerAscii(std::string_view text);
// The text with its ASCII letters in upper case.
std::string UpperAscii(std::string_view text);

}  // namespace quorvia::db
