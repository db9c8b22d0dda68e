#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvia::db {

// Walks a text in the program's SQL dialect once and hands each engine's translator the pieces it may have
// to rewrite: double-quoted text values, [bracketed] names and the ordinary code between quoted and
// commented stretches. Single-quoted literals and comments are copied whole, so that a double quote or a
// bracket inside them is never mistaken for the start of a value or a name.
class ProgramSqlRewriter {
 public:
  // DbError for a text value that is never closed.
  std::string Rewrite(std::string_view programSql);

 protected:
  ProgramSqlRewriter() = default;
  ~ProgramSqlRewriter() = default;
  ProgramSqlRewriter(const ProgramSqlRewriter&) = delete;
  ProgramSqlRewriter& operator=(const ProgramSqlRewriter&) = delete;

  // The value between the double quotes, a doubled double quote already made one.
  virtual void RewriteTextValue(std::string_view value, std::string& out) = 0;
  // The name between the brackets of a closed [name]; by default it stays as written.
  virtual void RewriteBracketedName(std::string_view name, std::string& out);
  // A stretch holding no quote, bracket or comment; by default it stays as written.
  virtual void RewriteCode(std::string_view code, std::string& out);

 private:
  bool StartsWith(std::string_view prefix) const;
  bool StartsPiece() const;
  std::size_t EndOfQuoted() const;
  std::size_t EndOf(std::string_view closing) const;
  void CopyUpTo(std::size_t end);
  void TakeBracketedName();
  void TakeTextValue();
  void TakeCode();

  std::string_view source_;
  std::size_t position_ = 0;
  std::string output_;
};

}  // namespace quorvia::db
