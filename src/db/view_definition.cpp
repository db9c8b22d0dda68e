#include "db/view_definition.h"

#include <cctype>

#include "db/ascii_case.h"
#include "db/base64.h"
#include "db/sql_dialect.h"

namespace quorvia::db {

namespace {

constexpr std::string_view kMarkerOpen = "/* quorvia-sql:";
constexpr std::string_view kMarkerClose = " */";

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

// Index just past the closing character of a quoted name or literal starting at `open`.
std::size_t SkipQuoted(std::string_view text, std::size_t open, char closing) {
  std::size_t i = open + 1;
  while (i < text.size()) {
    if (text[i] == closing) {
      if (closing != ']' && i + 1 < text.size() && text[i + 1] == closing) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return text.size();
}

// Position just past the keyword AS that separates a view's name (and column list) from its query.
std::size_t BodyStart(std::string_view createSql) {
  int depth = 0;
  std::size_t i = 0;
  while (i < createSql.size()) {
    const char c = createSql[i];
    if (c == '"' || c == '`' || c == '\'') {
      i = SkipQuoted(createSql, i, c);
    } else if (c == '[') {
      i = SkipQuoted(createSql, i, ']');
    } else if (c == '(' || c == ')') {
      depth += c == '(' ? 1 : -1;
      ++i;
    } else if (IsWordChar(c)) {
      std::size_t end = i;
      while (end < createSql.size() && IsWordChar(createSql[end])) ++end;
      if (depth == 0 && EqualsIgnoringAsciiCase(createSql.substr(i, end - i), "AS")) return end;
      i = end;
    } else {
      ++i;
    }
  }
  return 0;
}

std::string_view TrimLeadingBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

}  // namespace

// SQL quotes a name the way the program's dialect quotes a value: in double quotes, inner ones doubled.
std::string QuoteIdentifier(std::string_view name) { return QuoteValue(name); }

std::string ComposeCreateView(std::string_view name, std::string_view programSql,
                              std::string_view sqliteSql) {
  std::string create = "CREATE VIEW " + QuoteIdentifier(name) + " AS ";
  create.append(kMarkerOpen).append(EncodeBase64(programSql)).append(kMarkerClose);
  create.append(" ").append(sqliteSql);
  return create;
}

std::string ProgramSqlOfView(std::string_view createViewSql) {
  const std::string_view body = TrimLeadingBlanks(createViewSql.substr(BodyStart(createViewSql)));
  if (body.starts_with(kMarkerOpen)) {
    const std::size_t close = body.find(kMarkerClose, kMarkerOpen.size());
    if (close != std::string_view::npos) {
      const auto original = DecodeBase64(body.substr(kMarkerOpen.size(), close - kMarkerOpen.size()));
      if (original) return *original;
    }
  }
  return std::string(body);
}

}  // namespace quorvia::db
