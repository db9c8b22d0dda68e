#include "db/sql_dialect.h"

#include <sqlite3.h>

#include "db/db_error.h"

namespace quorvia::db {

namespace {

// Walks the program's SQL once, copying everything SQLite understands as it is and rewriting only the
// double-quoted text values. Quoted and commented stretches are copied whole so that a double quote inside
// them is never mistaken for the start of a value.
class DialectTranslator {
 public:
  explicit DialectTranslator(std::string_view source) : source_(source) {
    output_.reserve(source.size() + 32);
  }

  std::string Run() {
    while (position_ < source_.size()) {
      const char c = source_[position_];
      if (c == '"') {
        TranslateTextValue();
      } else if (c == '\'') {
        CopyThroughClosing('\'', true);
      } else if (c == '[') {
        CopyThroughClosing(']', false);
      } else if (StartsWith("--")) {
        CopyLineComment();
      } else if (StartsWith("/*")) {
        CopyBlockComment();
      } else {
        output_ += c;
        ++position_;
      }
    }
    return std::move(output_);
  }

 private:
  bool StartsWith(std::string_view prefix) const { return source_.substr(position_).starts_with(prefix); }

  // Copies from the opening character through the closing one; with doubling, a doubled closing
  // character stays inside. An unclosed stretch is copied to the end and left for SQLite to reject.
  void CopyThroughClosing(char closing, bool doubling) {
    std::size_t end = position_ + 1;
    while (end < source_.size()) {
      if (source_[end] != closing) {
        ++end;
      } else if (doubling && end + 1 < source_.size() && source_[end + 1] == closing) {
        end += 2;
      } else {
        ++end;
        break;
      }
    }
    CopyUpTo(end);
  }

  void CopyLineComment() {
    const std::size_t newline = source_.find('\n', position_);
    CopyUpTo(newline == std::string_view::npos ? source_.size() : newline + 1);
  }

  void CopyBlockComment() {
    const std::size_t close = source_.find("*/", position_ + 2);
    CopyUpTo(close == std::string_view::npos ? source_.size() : close + 2);
  }

  void CopyUpTo(std::size_t end) {
    output_.append(source_.substr(position_, end - position_));
    position_ = end;
  }

  void TranslateTextValue() {
    const std::size_t opening = position_;
    std::string literal = "'";
    for (std::size_t i = opening + 1; i < source_.size(); ++i) {
      const char c = source_[i];
      if (c == '"') {
        if (i + 1 < source_.size() && source_[i + 1] == '"') {
          literal += '"';
          ++i;
          continue;
        }
        literal += "' COLLATE NOCASE";
        output_ += literal;
        position_ = i + 1;
        return;
      }
      if (c == '\'') literal += '\'';
      literal += c;
    }
    throw DbError(SQLITE_ERROR, "Unterminated text value in the SQL text: the double quote at position " +
                                    std::to_string(opening + 1) + " is never closed.");
  }

  std::string_view source_;
  std::size_t position_ = 0;
  std::string output_;
};

}  // namespace

std::string ToSqlite(std::string_view programSql) { return DialectTranslator(programSql).Run(); }

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
