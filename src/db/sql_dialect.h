#pragma once

#include <string>
#include <string_view>

namespace quorvia::db {

// Rewrites a text in the program's SQL dialect to SQLite SQL: every double-quoted text value becomes a
// single-quoted literal compared without regard to letter case ('value' COLLATE NOCASE), so a value that
// equals a column name stays a value. A doubled double quote inside a value stands for one double quote.
// Single-quoted literals, [bracketed] names and comments pass through unchanged.
std::string ToSqlite(std::string_view programSql);

// Encloses text in `quote`, with every quote inside doubled: the one quoting rule of SQL.
std::string Enclose(std::string_view text, char quote);
// 'text' with inner single quotes doubled: an SQL literal (backslashes are read as they are).
std::string QuoteLiteral(std::string_view text);
// Quotes a value for the program's dialect: "value" with inner double quotes doubled.
std::string QuoteValue(std::string_view value);

}  // namespace quorvia::db
