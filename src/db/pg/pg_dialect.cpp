#include "db/pg/pg_dialect.h"

#include <cctype>

#include "db/ascii_case.h"
#include "db/pg/pg_connection.h"
#include "db/program_sql_rewriter.h"
#include "db/sql_dialect.h"
#include "db/view_definition.h"

namespace quorvia::db::pg {
namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

std::size_t SkipBlanksBack(const std::string& text, std::size_t end) {
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return end;
}

// Where the equality operator (=, <> or !=) that ends `text` before `end` starts; npos when it ends in none.
std::size_t ComparisonStart(const std::string& text, std::size_t end) {
  if (end >= 2) {
    const std::string_view last2 = std::string_view(text).substr(end - 2, 2);
    if (last2 == "<>" || last2 == "!=") return end - 2;
  }
  if (end == 0 || text[end - 1] != '=') return std::string::npos;
  if (end >= 2 && std::string_view("<>!=").find(text[end - 2]) != std::string_view::npos) {
    return std::string::npos;  // <=, >= or ==
  }
  return end - 1;
}

// Where the column name that ends `text` before `end` starts: a plain name (qualified names included) or a
// "quoted" one; npos for anything else, such as a number, a keyword or a closing parenthesis.
std::size_t ColumnStart(const std::string& text, std::size_t end) {
  if (end == 0) return std::string::npos;
  if (text[end - 1] == '"') {
    const std::size_t opening = end >= 3 ? text.rfind('"', end - 2) : std::string::npos;
    // An empty name, or one with a doubled quote inside, is left as it is.
    if (opening == std::string::npos || opening + 2 == end) return std::string::npos;
    if (opening > 0 && text[opening - 1] == '"') return std::string::npos;
    return opening;
  }
  std::size_t start = end;
  while (start > 0 && (IsWordChar(text[start - 1]) || text[start - 1] == '.')) --start;
  if (start == end || std::isdigit(static_cast<unsigned char>(text[start])) != 0) return std::string::npos;
  const std::string word = UpperAscii(std::string_view(text).substr(start, end - start));
  for (const char* keyword : {"END", "NULL", "TRUE", "FALSE"}) {
    if (word == keyword) return std::string::npos;
  }
  return start;
}

// Whether what stands before a comparison's left side binds more loosely than the comparison, so that the
// left side is the column name alone: the start, an opening parenthesis, a comma or one of these keywords.
bool StartsOperand(const std::string& text, std::size_t columnStart) {
  const std::size_t end = SkipBlanksBack(text, columnStart);
  if (end == 0 || text[end - 1] == '(' || text[end - 1] == ',') return true;
  std::size_t start = end;
  while (start > 0 && IsWordChar(text[start - 1])) --start;
  if (start == end || (start > 0 && text[start - 1] == '.')) return false;
  const std::string word = UpperAscii(std::string_view(text).substr(start, end - start));
  for (const char* keyword :
       {"WHERE", "AND", "OR", "NOT", "ON", "HAVING", "WHEN", "THEN", "ELSE", "SELECT"}) {
    if (word == keyword) return true;
  }
  return false;
}

class PostgresTranslator final : public ProgramSqlRewriter {
 private:
  void RewriteTextValue(std::string_view value, std::string& out) override {
    if (FoldComparedColumn(out)) {
      out += QuoteLiteral(LowerAscii(value));
    } else {
      out += QuoteLiteral(value) + " COLLATE public." + std::string(kNoCaseCollation);
    }
    afterAs_ = false;
  }

  // `column = ` (or <>, !=) at the end of `out` becomes `lower(column COLLATE "C") = `, so that the value,
  // folded the same way, compares with it byte by byte; false, and `out` unchanged, for any other ending.
  static bool FoldComparedColumn(std::string& out) {
    const std::size_t operatorStart = ComparisonStart(out, SkipBlanksBack(out, out.size()));
    if (operatorStart == std::string::npos) return false;
    const std::size_t columnEnd = SkipBlanksBack(out, operatorStart);
    const std::size_t columnStart = ColumnStart(out, columnEnd);
    if (columnStart == std::string::npos || !StartsOperand(out, columnStart)) return false;
    out.replace(columnStart, columnEnd - columnStart,
                FoldedColumn(std::string_view(out).substr(columnStart, columnEnd - columnStart)));
    return true;
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
    afterAs_ = EqualsIgnoringAsciiCase(word, "AS");
  }

  int depth_ = 0;
  bool afterAs_ = false;  // the last word was AS; blanks, comments and 'literals' between do not reset it
};

}  // namespace

std::string FoldedColumn(std::string_view column) {
  return "lower(" + std::string(column) + " COLLATE \"C\")";
}

std::string ToPostgres(std::string_view programSql) { return PostgresTranslator().Rewrite(programSql); }

std::string StoredQueryView(std::string_view role, std::string_view name) {
  return QuoteIdentifier(role) + "." + QuoteIdentifier(StoredName(name));
}

// Only ASCII letters, as the server folds unquoted names in UTF-8.
std::string StoredName(std::string_view name) { return LowerAscii(name); }

}  // namespace quorvia::db::pg
