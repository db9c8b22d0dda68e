#include "db/transaction_nesting.h"

#include "db/db_error.h"

namespace quorvia::db {

std::string TransactionNesting::Savepoint() const {
  return "quorvia_transaction_" + std::to_string(depth_ - 1);
}

void TransactionNesting::Begin(const Execute& execute) {
  ++depth_;
  try {
    execute(depth_ == 1 ? beginOutermost_ : "SAVEPOINT " + Savepoint());
  } catch (...) {
    --depth_;
    throw;
  }
}

void TransactionNesting::Commit(const Execute& execute) {
  if (depth_ == 0) throw DbError(kSqlError, "Commit without a transaction.");
  execute(depth_ == 1 ? std::string("COMMIT") : "RELEASE SAVEPOINT " + Savepoint());
  --depth_;
}

void TransactionNesting::Rollback(const Execute& execute) {
  if (depth_ == 0) return;
  if (depth_ == 1) {
    execute("ROLLBACK");
  } else {
    execute("ROLLBACK TO SAVEPOINT " + Savepoint());
    execute("RELEASE SAVEPOINT " + Savepoint());
  }
  --depth_;
}

}  // namespace quorvia::db
