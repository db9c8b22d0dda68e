#pragma once

#include <string_view>

namespace quorvia::db {

// Names of tables, columns and stored queries match without regard to letter case, the way SQLite itself
// matches identifiers: only the ASCII letters are folded.
bool EqualsIgnoringAsciiCase(std::string_view left, std::string_view right) noexcept;

}  // namespace quorvia::db
