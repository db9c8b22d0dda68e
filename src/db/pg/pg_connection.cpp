#include "db/pg/pg_connection.h"

#include <libpq-fe.h>

#include <charconv>

#include "db/db_error.h"
#include "db/sql_dialect.h"

namespace quorvia::db::pg {
namespace {

// Type numbers of the server's built-in types (fixed in its catalogue).
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kNumeric = 1700;

std::string Trimmed(const char* text) {
  std::string message = text != nullptr ? text : "";
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  return message;
}

std::string DescribeConnection(const PGconn* connection) {
  const char* host = PQhost(connection);
  const char* database = PQdb(connection);
  std::string server = host != nullptr && *host != '\0' ? host : "(default)";
  if (!server.empty() && server.front() == '/') server = "local socket " + server;
  return "database " + std::string(database != nullptr ? database : "(default)") + " on server " + server;
}

// Memory for each sort, hash or bitmap of a query. A filter that keeps a large share of a big change table
// (a NUTS region and a shoreline class) is answered fastest by combining the bitmaps of two filter-column
// indexes; with the server's default of 4 MB such a bitmap turns lossy and the planner reads the whole
// table instead, at over twice the time. A larger value that the server or the role sets is kept.
constexpr const char* kRaiseWorkMemory =
    "SELECT set_config('work_mem', '64MB', false) "
    "WHERE pg_size_bytes(current_setting('work_mem')) < pg_size_bytes('64MB')";

// What the planner takes a page read out of order to cost against one in order. The server's default, 4,
// assumes a spinning disk; a change table that analysts query over and over sits in the server's memory,
// where the narrow index of a whole country is read in a fraction of the time of the table, yet with the
// default the planner read the table. A lower value that the server or the role sets is kept.
constexpr const char* kLowerRandomPageCost =
    "SELECT set_config('random_page_cost', '1.1', false) "
    "WHERE current_setting('random_page_cost')::float8 > 1.1";

// An update reads its two passes side by side, one per connection, so that each takes a core. Parallel
// workers of each beside them only made the server slower on two cores: all filters on "All" took 2.9 s
// with the default of two workers per query against 1.5 s without, a NUTS L1 region with a shoreline
// class 1.3 s against 0.7 s. Workers that the server's configuration, the database or the role asks for
// are kept.
constexpr const char* kNoWorkersUnlessConfigured =
    "SELECT set_config('max_parallel_workers_per_gather', '0', false) FROM pg_settings "
    "WHERE name = 'max_parallel_workers_per_gather' AND source = 'default'";

}  // namespace

void ResultClearer::operator()(pg_result* result) const noexcept { PQclear(result); }
void PgConnection::Finisher::operator()(pg_conn* connection) const noexcept { PQfinish(connection); }
void PgConnection::CancelFreer::operator()(pg_cancel* cancel) const noexcept { PQfreeCancel(cancel); }

PgConnection::PgConnection(const std::string& conninfo) : connection_(PQconnectdb(conninfo.c_str())) {
  if (!connection_) throw DbError(kServerUnreachable, "Out of memory while connecting to the server.");
  description_ = DescribeConnection(connection_.get());
  if (PQstatus(connection_.get()) != CONNECTION_OK) {
    throw DbError(kServerUnreachable, "Cannot connect to the " + description_ + ": " +
                                          Trimmed(PQerrorMessage(connection_.get())));
  }
  // Notices ("... already exists, skipping") are no failures and nothing for the user.
  PQsetNoticeProcessor(
      connection_.get(), [](void*, const char*) {}, nullptr);
  KeepCancelKey();
  PrepareSession();
}

void PgConnection::KeepCancelKey() {
  const std::scoped_lock lock(cancelMutex_);
  cancel_.reset(PQgetCancel(connection_.get()));
}

void PgConnection::Cancel() noexcept {
  const std::scoped_lock lock(cancelMutex_);
  if (!cancel_) return;
  char error[256];
  // A request that cannot be sent leaves the statement to end as it would; the caller learns nothing more.
  (void)PQcancel(cancel_.get(), error, sizeof error);
}

void PgConnection::PrepareSession() {
  PQsetClientEncoding(connection_.get(), "UTF8");
  Execute(kRaiseWorkMemory);
  Execute(kLowerRandomPageCost);
  Execute(kNoWorkersUnlessConfigured);
}

bool PgConnection::IsOpen() const noexcept { return PQstatus(connection_.get()) == CONNECTION_OK; }

int PgConnection::BackendPid() const noexcept { return PQbackendPID(connection_.get()); }

void PgConnection::Reconnect() {
  PQreset(connection_.get());
  if (!IsOpen()) {
    throw DbError(kServerUnreachable, "Cannot connect again to the " + description_ + ": " +
                                          Trimmed(PQerrorMessage(connection_.get())));
  }
  KeepCancelKey();
  PrepareSession();
}

void PgConnection::ThrowStatementError(const pg_result* result) const {
  const std::string message = Trimmed(result != nullptr ? PQresultErrorMessage(result) : nullptr);
  const std::string text = message.empty() ? Trimmed(PQerrorMessage(connection_.get())) : message;
  if (!IsOpen()) {
    throw DbError(kConnectionLost, "The connection to the " + description_ + " was lost: " + text);
  }
  const char* state = result != nullptr ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
  // query_canceled: a cancel request (Cancel, or the server's own statement timeout) stopped the statement.
  if (state != nullptr && std::string_view(state) == "57014") throw DbError(kInterrupted, text);
  throw DbError(kServerError, (state != nullptr ? "[" + std::string(state) + "] " : std::string()) + text);
}

PgResult PgConnection::Execute(std::string_view sql, const std::vector<std::string>& parameters) {
  std::vector<const char*> values;
  values.reserve(parameters.size());
  for (const auto& parameter : parameters) values.push_back(parameter.c_str());
  // The extended protocol runs exactly one statement: a stray "; DROP TABLE ..." is refused.
  PgResult result(PQexecParams(connection_.get(), std::string(sql).c_str(), static_cast<int>(values.size()),
                               nullptr, values.data(), nullptr, nullptr, 0));
  const auto status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) ThrowStatementError(result.get());
  return result;
}

PgResult PgConnection::ExecuteReadOnly(std::string_view sql) {
  Execute("BEGIN READ ONLY");
  try {
    PgResult result = Execute(sql);
    Execute("COMMIT");
    return result;
  } catch (...) {
    if (IsOpen()) ExecuteScript("ROLLBACK");
    throw;
  }
}

void PgConnection::ExecuteScript(const std::string& sql) {
  PgResult result(PQexec(connection_.get(), sql.c_str()));
  const auto status = PQresultStatus(result.get());
  if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) ThrowStatementError(result.get());
}

std::string PgConnection::QueryText(std::string_view sql, const std::vector<std::string>& parameters) {
  const PgResult result = Execute(sql, parameters);
  if (PQntuples(result.get()) == 0 || PQgetisnull(result.get(), 0, 0)) return {};
  return PQgetvalue(result.get(), 0, 0);
}

void PgConnection::BeginCopy(const std::string& copySql) {
  PgResult result(PQexec(connection_.get(), copySql.c_str()));
  if (PQresultStatus(result.get()) != PGRES_COPY_IN) ThrowStatementError(result.get());
}

void PgConnection::CheckCopy(int status, const char* action) {
  if (status == 1) return;
  throw DbError(IsOpen() ? kServerError : kConnectionLost, std::string("COPY could not ") + action +
                                                               " on the " + description_ + ": " +
                                                               Trimmed(PQerrorMessage(connection_.get())));
}

void PgConnection::SendCopyData(std::string_view data) {
  CheckCopy(PQputCopyData(connection_.get(), data.data(), static_cast<int>(data.size())), "send rows");
}

void PgConnection::EndCopy() {
  CheckCopy(PQputCopyEnd(connection_.get(), nullptr), "end");
  PgResult result(PQgetResult(connection_.get()));
  const bool ok = PQresultStatus(result.get()) == PGRES_COMMAND_OK;
  // Drain the rest so that the connection is ready for the next statement.
  while (PgResult(PQgetResult(connection_.get()))) {
  }
  if (!ok) ThrowStatementError(result.get());
}

FieldValue ValueAt(const pg_result* result, int row, int column) {
  if (PQgetisnull(result, row, column)) return FieldValue();
  const char* text = PQgetvalue(result, row, column);
  const std::string_view value(text, static_cast<std::size_t>(PQgetlength(result, row, column)));
  switch (PQftype(result, column)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid: {
      std::int64_t number = 0;
      std::from_chars(value.data(), value.data() + value.size(), number);
      return FieldValue(number);
    }
    case kBool:
      return FieldValue(std::int64_t{value == "t" ? 1 : 0});
    case kFloat4:
    case kFloat8:
    case kNumeric: {
      // from_chars reads the server's format whatever locale the program runs in.
      double number = 0;
      std::from_chars(value.data(), value.data() + value.size(), number);
      return FieldValue(number);
    }
    default:
      return FieldValue(std::string(value));
  }
}

void AppendCopyText(std::string& line, std::string_view value) {
  for (const char c : value) {
    switch (c) {
      case '\\':
        line += "\\\\";
        break;
      case '\t':
        line += "\\t";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      default:
        line += c;
    }
  }
}

}  // namespace quorvia::db::pg
