#pragma once

#include <functional>
#include <string>

namespace quorvia::db {

// How BeginTrans calls nest on one connection, the same for every engine: the outermost call opens the
// engine's own transaction, each call inside it a savepoint named after its depth. A level counts from the
// moment the statement that opens it succeeded until the statement that ends it succeeded, so a commit that
// fails leaves its level open for the rollback that follows it.
class TransactionNesting {
 public:
  // Runs one statement of the engine; raises DbError when the engine refuses it.
  using Execute = std::function<void(const std::string& sql)>;

  // beginOutermost: the engine's statement that opens a transaction ("BEGIN", "BEGIN IMMEDIATE").
  explicit TransactionNesting(std::string beginOutermost) : beginOutermost_(std::move(beginOutermost)) {}

  void Begin(const Execute& execute);
  // DbError when no level is open.
  void Commit(const Execute& execute);
  // Rolls the innermost level back; nothing when no level is open.
  void Rollback(const Execute& execute);
  // The engine itself ended every level (its connection was lost).
  void Forget() noexcept { depth_ = 0; }

  int Depth() const noexcept { return depth_; }

 private:
  // The savepoint of the innermost level.
  std::string Savepoint() const;

  const std::string beginOutermost_;
  int depth_ = 0;
};

}  // namespace quorvia::db
