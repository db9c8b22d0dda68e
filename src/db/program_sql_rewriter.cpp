#include "db/program_sql_rewriter.h"

#include <utility>

#include "db/db_error.h"

namespace quorvia::db {

std::string ProgramSqlRewriter::Rewrite(std::string_view programSql) {
  source_ = programSql;
  position_ = 0;
  output_.clear();
  output_.reserve(programSql.size() + 64);
  while (position_ < source_.size()) {
    const char c = source_[position_];
    if (c == '"') {
      TakeTextValue();
    } else if (c == '\'') {
      CopyUpTo(EndOfQuoted());
    } else if (c == '[') {
      TakeBracketedName();
    } else if (StartsWith("--")) {
      CopyUpTo(EndOf("\n"));
    } else if (StartsWith("/*")) {
      CopyUpTo(EndOf("*/"));
    } else {
      TakeCode();
    }
  }
  return std::move(output_);
}

void ProgramSqlRewriter::RewriteBracketedName(std::string_view name, std::string& out) {
  out += '[';
  out.append(name);
  out += ']';
}

void ProgramSqlRewriter::RewriteCode(std::string_view code, std::string& out) { out.append(code); }

bool ProgramSqlRewriter::StartsWith(std::string_view prefix) const {
  return source_.substr(position_).starts_with(prefix);
}

bool ProgramSqlRewriter::StartsPiece() const {
  const char c = source_[position_];
  return c == '"' || c == '\'' || c == '[' || StartsWith("--") || StartsWith("/*");
}

// Just past the closing quote of a 'literal' (a doubled quote stays inside), or the end when it never
// closes: an unclosed stretch is copied as it is and left for the engine to reject.
std::size_t ProgramSqlRewriter::EndOfQuoted() const {
  std::size_t end = position_ + 1;
  while (end < source_.size()) {
    if (source_[end] != '\'') {
      ++end;
    } else if (end + 1 < source_.size() && source_[end + 1] == '\'') {
      end += 2;
    } else {
      return end + 1;
    }
  }
  return end;
}

// Just past the text that closes a comment (the two characters that open it are skipped), or the end.
std::size_t ProgramSqlRewriter::EndOf(std::string_view closing) const {
  const std::size_t found = source_.find(closing, position_ + 2);
  return found == std::string_view::npos ? source_.size() : found + closing.size();
}

void ProgramSqlRewriter::CopyUpTo(std::size_t end) {
  output_.append(source_.substr(position_, end - position_));
  position_ = end;
}

void ProgramSqlRewriter::TakeBracketedName() {
  const std::size_t close = source_.find(']', position_ + 1);
  if (close == std::string_view::npos) {
    CopyUpTo(source_.size());  // left for the engine to reject
    return;
  }
  RewriteBracketedName(source_.substr(position_ + 1, close - position_ - 1), output_);
  position_ = close + 1;
}

void ProgramSqlRewriter::TakeTextValue() {
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
    RewriteTextValue(value, output_);
    position_ = i + 1;
    return;
  }
  throw DbError(kSqlError, "Unterminated text value in the SQL text: the double quote at position " +
                               std::to_string(opening + 1) + " is never closed.");
}

void ProgramSqlRewriter::TakeCode() {
  const std::size_t start = position_;
  ++position_;  // the caller saw that no piece starts here
  while (position_ < source_.size() && !StartsPiece()) ++position_;
  RewriteCode(source_.substr(start, position_ - start), output_);
}

}  // namespace quorvia::db
