#pragma once

#include <string>
#include <string_view>

namespace quorvia::db {

// A stored query is an SQLite view, so that any SQLite client can read it. The program's own SQL text
// (double-quoted values and all) rides along inside the view's CREATE text as a leading block comment,
// which SQLite keeps verbatim in its schema; that is how the text comes back exactly as it was given.

// "name" with inner double quotes doubled: a safe SQLite identifier.
std::string QuoteIdentifier(std::string_view name);

std::string ComposeCreateView(std::string_view name, std::string_view programSql, std::string_view sqliteSql);

// The program's SQL text of a view from its CREATE text; for a view made by another client, the SQLite
// SQL that follows AS.
std::string ProgramSqlOfView(std::string_view createViewSql);

}  // namespace quorvia::db
