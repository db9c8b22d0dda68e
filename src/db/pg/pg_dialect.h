#pragma once

#include <string>
#include <string_view>

namespace quorvia::db::pg {

// The program compares a column with a text value without regard to letter case, and on SQLite only the
// ASCII letters are folded. On the server the comparison `column = "value"` (or <>, !=) becomes
// `lower(column COLLATE "C") = 'value'` with the value's ASCII letters in lower case: lower() under the C
// collation folds exactly those letters, and the two sides then compare byte by byte, which costs a scan
// far less than a case-blind collation does. The importer indexes every filter column by this expression.
std::string FoldedColumn(std::string_view column);

// A text value anywhere else (on the left of a comparison, in a list, in a function) carries this
// nondeterministic ICU collation at strength 2 instead (case folded, accents kept), so that it still
// compares without regard to letter case.
inline constexpr std::string_view kNoCaseCollation = "quorvia_nocase";
inline constexpr std::string_view kCreateNoCaseCollation =
    "CREATE COLLATION IF NOT EXISTS public.quorvia_nocase "
    "(provider = icu, locale = 'und-u-ks-level2', deterministic = false)";

// Rewrites a text in the program's SQL dialect to the server's SQL:
// - a double-quoted text value compared with a column becomes a folded comparison, as above; any other
//   becomes 'value' COLLATE public.quorvia_nocase (a doubled double quote inside stands for one double
//   quote);
// - a name after AS at the outermost level keeps its letters as written ("CHANGE", not change), so that
//   result columns are named the same on both engines;
// - a [bracketed] name becomes a quoted name in lower case, the case in which unquoted names are stored;
// - single-quoted literals and comments pass through unchanged.
// DbError for a text value that is never closed.
std::string ToPostgres(std::string_view programSql);

// The name under which the server keeps a table, column or stored query of the program: lower case, the
// way the server folds an unquoted name, so that the program's unquoted names find it whatever their case.
std::string StoredName(std::string_view name);

// The view that holds a role's stored query of the program: in the role's own schema, named as stored.
std::string StoredQueryView(std::string_view role, std::string_view name);

// The importer keeps a table's or column's name as the source spelled it (DATA_AT, AREAHA) in its comment
// after this marker; the table list shows that name, so the program sees the names it knows.
inline constexpr std::string_view kSourceNameMarker = "quorvia-name:";

}  // namespace quorvia::db::pg
