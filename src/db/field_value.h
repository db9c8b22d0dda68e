#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace quorvia::db {

// One value of one column of a result row, as the engine returned it.
class FieldValue {
 public:
  using Storage = std::variant<std::monostate, std::int64_t, double, std::string>;

  FieldValue() = default;
  explicit FieldValue(Storage storage) : storage_(std::move(storage)) {}

  bool IsNull() const noexcept { return std::holds_alternative<std::monostate>(storage_); }
  // Text form of the value; a null value gives the empty text. Reals print without a trailing ".0".
  std::string ToString() const;
  // Numeric form; a null value or a text that is no number gives 0.
  double ToDouble() const;
  const Storage& storage() const& noexcept { return storage_; }
  Storage&& storage() && noexcept { return std::move(storage_); }  // the value taken, not copied

 private:
  Storage storage_;
};

}  // namespace quorvia::db
