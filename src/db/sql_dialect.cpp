#include "db/sql_dialect.h"

#include "db/program_sql_rewriter.h"

namespace quorvia::db {

namespace {

// SQLite understands everything of the program's SQL but its double-quoted text values.
class SqliteTranslator final : public ProgramSqlRewriter {
 private:
  void RewriteTextValue(std::string_view value, std::string& out) override {
    out += '\'';
    for (const char c : value) {
      if (c == '\'') out += '\'';
      out += c;
    }
    out += "' COLLATE NOCASE";
  }
};

}  // namespace

std::string ToSqlite(std::string_view programSql) { return SqliteTranslator().Rewrite(programSql); }

std::string QuoteValue(std::string_view value) {
  std::string quoted = "\"";
  for (const char c : value) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

}  // namespace quorvia::db
