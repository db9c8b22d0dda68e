#include "db/pg/pg_dialect.h"

#include <cctype>

#include "db/ascii_case.h"
#include "db/db_error.h"
#include "db/pg/pg_connection.h"

namespace quorvia::db::pg {
namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; }

class PostgresTranslator {
 public:
  explicit PostgresTranslator(std::string_view source) : source_(source) {
    output_.reserve(source.size() + 64);
  }

  std::string Run() {
    while (position_ < source_.size()) {
      const char c = source_[position_];
      if (c == '"') {
        TranslateTextValue();
      } else if (c == '\'') {
        CopyQuoted();
      } else if (c == '[') {
        TranslateBracketedName();
      } else if (StartsWith("--")) {
        CopyUpTo(EndOf("\n", 2));
      } else if (StartsWith("/*")) {
        CopyUpTo(EndOf("*/", 2));
      } else if (IsWordChar(c)) {
        TranslateWord();
      } else {
        if (c == '(') ++depth_;
        if (c == ')') --depth_;
        if (std::isspace(static_cast<unsigned char>(c)) == 0) afterAs_ = false;
        output_ += c;
        ++position_;
      }
    }
    return std::move(output_);
  }

 private:
  bool StartsWith(std::string_view prefix) const { return source_.substr(position_).starts_with(prefix); }

  // Position just past the closing text (or the end when it never comes).
  std::size_t EndOf(std::string_view closing, std::size_t openingLength) const {
    const std::size_t found = source_.find(closing, position_ + openingLength);
    return found == std::string_view::npos ? source_.size() : found + closing.size();
  }

  void CopyUpTo(std::size_t end) {
    output_.append(source_.substr(position_, end - position_));
    position_ = end;
  }

  void CopyQuoted() {
    std::size_t end = position_ + 1;
    while (end < source_.size()) {
      if (source_[end] != '\'') {
        ++end;
      } else if (end + 1 < source_.size() && source_[end + 1] == '\'') {
        end += 2;
      } else {
        ++end;
        break;
      }
    }
    CopyUpTo(end);
  }

  void TranslateBracketedName() {
    const std::size_t close = source_.find(']', position_ + 1);
    if (close == std::string_view::npos) {
      CopyUpTo(source_.size());  // left for the server to reject
      return;
    }
    output_ += QuoteIdentifier(StoredName(source_.substr(position_ + 1, close - position_ - 1)));
    position_ = close + 1;
    afterAs_ = false;
  }

  void TranslateWord() {
    std::size_t end = position_;
    while (end < source_.size() && IsWordChar(source_[end])) ++end;
    const std::string_view word = source_.substr(position_, end - position_);
    const bool startsWithDigit = std::isdigit(static_cast<unsigned char>(word.front())) != 0;
    if (afterAs_ && depth_ == 0 && !startsWithDigit) {
      output_ += QuoteIdentifier(word);
    } else {
      output_.append(word);
    }
    afterAs_ = word.size() == 2 && (word[0] == 'a' || word[0] == 'A') && (word[1] == 's' || word[1] == 'S');
    position_ = end;
  }

  void TranslateTextValue() {
    const std::size_t opening = position_;
    std::string value;
    for (std::size_t i = opening + 1; i < source_.size(); ++i) {
      if (source_[i] != '"') {
        value += source_[i];
        continue;
      }
      if (i + 1 < source_.size() && source_[i + 1] == '"') {
        value += '"';
        ++i;
        continue;
      }
      output_ += QuoteLiteral(value) + " COLLATE public." + std::string(kNoCaseCollation);
      position_ = i + 1;
      afterAs_ = false;
      return;
    }
    throw DbError(kSqlError, "Unterminated text value in the SQL text: the double quote at position " +
                                 std::to_string(opening + 1) + " is never closed.");
  }

  std::string_view source_;
  std::size_t position_ = 0;
  int depth_ = 0;
  bool afterAs_ = false;  // the last word was AS; blanks between do not reset it
  std::string output_;
};

}  // namespace

std::string ToPostgres(std::string_view programSql) { return PostgresTranslator(programSql).Run(); }

// Only ASCII letters, as the server folds unquoted names in UTF-8.
std::string StoredName(std::string_view name) { return LowerAscii(name); }

}  // namespace quorvia::db::pg
