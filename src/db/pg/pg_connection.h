#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "db/field_value.h"

struct pg_conn;
struct pg_result;
struct pg_cancel;

namespace quorvia::db::pg {

struct ResultClearer {
  void operator()(pg_result* result) const noexcept;
};
using PgResult = std::unique_ptr<pg_result, ResultClearer>;

// One libpq connection. Every failure is raised as DbError: kServerUnreachable when the connection or the
// login fails, kConnectionLost when it breaks during a statement, kServerError when the server refuses a
// statement (its SQLSTATE leads the description), kInterrupted when a cancel request stopped it. Messages
// name the server and the database. Used by one thread at a time, except Cancel.
class PgConnection {
 public:
  // conninfo: a libpq connection string; passwords come from libpq's usual places only.
  explicit PgConnection(const std::string& conninfo);
  PgConnection(const PgConnection&) = delete;
  PgConnection& operator=(const PgConnection&) = delete;

  // "database D on server S", for messages.
  const std::string& Describe() const noexcept { return description_; }

  // Runs one statement with text parameters ($1, $2, ...). A text holding several statements is refused.
  PgResult Execute(std::string_view sql, const std::vector<std::string>& parameters = {});
  // Runs one query in a read-only transaction of its own, so that it can never change anything; the
  // transaction is rolled back when the query fails.
  PgResult ExecuteReadOnly(std::string_view sql);
  // Runs several statements separated by semicolons, with no result (set-up and catalogue work only).
  void ExecuteScript(const std::string& sql);
  // A single text (or nothing) from a one-row query.
  std::string QueryText(std::string_view sql, const std::vector<std::string>& parameters = {});

  // COPY ... FROM STDIN: start it, send data in the text format, end it.
  void BeginCopy(const std::string& copySql);
  void SendCopyData(std::string_view data);
  void EndCopy();

  // True while the connection is up (false once the server ended it).
  bool IsOpen() const noexcept;
  // Connects again after the connection was lost; DbError kServerUnreachable when that fails.
  void Reconnect();
  // The backend process serving this connection, for the server's own tools.
  int BackendPid() const noexcept;
  // Asks the server to cancel the statement this connection runs, if any (PQcancel); from any thread.
  // A request that finds no statement running is ignored by the server.
  void Cancel() noexcept;

 private:
  struct Finisher {
    void operator()(pg_conn* connection) const noexcept;
  };
  struct CancelFreer {
    void operator()(pg_cancel* cancel) const noexcept;
  };
  // The cancel key of the backend now serving the connection, made again after Reconnect.
  void KeepCancelKey();
  // The encoding and settings every session of the program works with.
  void PrepareSession();
  [[noreturn]] void ThrowStatementError(const pg_result* result) const;
  void CheckCopy(int status, const char* action);

  std::unique_ptr<pg_conn, Finisher> connection_;
  std::string description_;
  // Cancel reads the key from another thread while Reconnect may replace it.
  std::mutex cancelMutex_;
  std::unique_ptr<pg_cancel, CancelFreer> cancel_;
};

// A value of the text result format as the layer's FieldValue, typed by the column's type.
FieldValue ValueAt(const pg_result* result, int row, int column);
// Escapes a value for COPY's text format (backslash, tab, newline, carriage return).
void AppendCopyText(std::string& line, std::string_view value);

}  // namespace quorvia::db::pg
