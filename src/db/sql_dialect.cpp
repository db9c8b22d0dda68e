#include "db/sql_dialect.h"

#include "db/program_sql_rewriter.h"

namespace quorvia::db {

namespace {

// SQLite understands everything of the program's SQL but its double-quoted text values.
class SqliteTranslator final : public ProgramSqlRewriter {
 private:
  void RewriteTextValue(std::string_view value, std::string& out) override {
    out += QuoteLiteral(value) + " COLLATE NOCASE";
  }
};

}  // namespace

std::string ToSqlite(std::string_view programSql) { return SqliteTranslator().Rewrite(programSql); }

std::string Enclose(std::string_view text, char quote) {
  std::string quoted(1, quote);
  for (const char c : text) {
    if (c == quote) quoted += quote;
    quoted += c;
  }
  quoted += quote;
  return quoted;
}

std::string QuoteLiteral(std::string_view text) { return Enclose(text, '\''); }

std::string QuoteValue(std::string_view value) { return Enclose(value, '"'); }

}  // namespace quorvia::db
