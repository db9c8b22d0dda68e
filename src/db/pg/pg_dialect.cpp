#include "db/pg/pg_dialect.h"

#include <cctype>

#include "db/ascii_case.h"
#include "db/pg/pg_connection.h"
#include "db/program_sql_rewriter.h"
#include "db/view_definition.h"

namespace quorvia::db::pg {
namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

class PostgresTranslator final : public ProgramSqlRewriter {
 private:
  void RewriteTextValue(std::string_view value, std::string& out) override {
    out += QuoteLiteral(value) + " COLLATE public." + std::string(kNoCaseCollation);
    afterAs_ = false;
  }

  void RewriteBracketedName(std::string_view name, std::string& out) override {
    out += QuoteIdentifier(StoredName(name));
    afterAs_ = false;
  }

  void RewriteCode(std::string_view code, std::string& out) override {
    std::size_t position = 0;
    while (position < code.size()) {
      const char c = code[position];
      if (IsWordChar(c)) {
        std::size_t end = position;
        while (end < code.size() && IsWordChar(code[end])) ++end;
        TranslateWord(code.substr(position, end - position), out);
        position = end;
        continue;
      }
      if (c == '(') ++depth_;
      if (c == ')') --depth_;
      if (std::isspace(static_cast<unsigned char>(c)) == 0) afterAs_ = false;
      out += c;
      ++position;
    }
  }

  void TranslateWord(std::string_view word, std::string& out) {
    const bool startsWithDigit = std::isdigit(static_cast<unsigned char>(word.front())) != 0;
    if (afterAs_ && depth_ == 0 && !startsWithDigit) {
      out += QuoteIdentifier(word);
    } else {
      out.append(word);
    }
    afterAs_ = word.size() == 2 && (word[0] == 'a' || word[0] == 'A') && (word[1] == 's' || word[1] == 'S');
  }

  int depth_ = 0;
  bool afterAs_ = false;  // the last word was AS; blanks, comments and 'literals' between do not reset it
};

}  // namespace

std::string ToPostgres(std::string_view programSql) { return PostgresTranslator().Rewrite(programSql); }

// Only ASCII letters, as the server folds unquoted names in UTF-8.
std::string StoredName(std::string_view name) { return LowerAscii(name); }

}  // namespace quorvia::db::pg
