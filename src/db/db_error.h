#pragma once

#include <stdexcept>
#include <string>

namespace quorvia::db {

// Every failure of the database engine reaches callers as this error: the engine's number and its own words.
class DbError : public std::runtime_error {
 public:
  DbError(int number, std::string description);

  int Number() const noexcept { return number_; }
  const std::string& Description() const noexcept { return description_; }
  // The statement was stopped by Database::Interrupt (or, on a server, by any cancel request), not failed.
  bool Interrupted() const noexcept;

 private:
  int number_;
  std::string description_;
};

// Numbers of the errors the layer raises itself (the rest are SQLite's extended result codes).
inline constexpr int kNoCurrentRecord = 3021;  // "No current record."
inline constexpr int kItemNotFound = 3265;     // "Item not found in this collection."
inline constexpr int kSqlError = 1;     // a statement or name the engine refuses (as SQLite numbers it)
inline constexpr int kInterrupted = 9;  // a statement interrupted on request (SQLite's number; both engines)
// The server engine's numbers; its own code (SQLSTATE) leads the description.
inline constexpr int kServerUnreachable = 7001;  // no connection, or the login failed
inline constexpr int kServerError = 7002;        // the server refused a statement
inline constexpr int kConnectionLost = 7003;     // the connection broke during a statement
inline constexpr int kServerSetup = 7004;        // the connection file or the role's rights are unusable

}  // namespace quorvia::db
