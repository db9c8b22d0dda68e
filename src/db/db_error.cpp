#include "db/db_error.h"

#include <utility>

namespace quorvia::db {

DbError::DbError(int number, std::string description)
    : std::runtime_error(description), number_(number), description_(std::move(description)) {}

bool DbError::Interrupted() const noexcept { return number_ == kInterrupted; }

}  // namespace quorvia::db
