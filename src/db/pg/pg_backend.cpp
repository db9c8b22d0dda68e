#include "db/pg/pg_backend.h"

#include <libpq-fe.h>

#include <utility>

#include "db/db_error.h"
#include "db/log.h"
#include "db/pg/pg_dialect.h"
#include "db/sql_dialect.h"

namespace quorvia::db::pg {
namespace {

// The comment of a view the program made holds the program's own SQL text after this marker.
constexpr std::string_view kProgramSqlMarker = "quorvia-sql:\n";

[[noreturn]] void ThrowSetup(const std::string& text) { throw DbError(kServerSetup, text); }

}  // namespace

PgBackend::PgBackend(const std::string& conninfo) : conninfo_(conninfo), connection_(conninfo) {
  CheckRole();
}

std::unique_ptr<DatabaseBackend> PgBackend::OpenAnother() const {
  return std::make_unique<PgBackend>(conninfo_);
}

void PgBackend::CheckRole() {
  role_ = connection_.QueryText("SELECT current_user");
  const std::string where = " in the " + connection_.Describe();
  if (connection_.QueryText("SELECT 1 FROM pg_collation WHERE collname = $1", {std::string(kNoCaseCollation)})
          .empty()) {
    ThrowSetup(
        "The collation " + std::string(kNoCaseCollation) + " is missing" + where +
        "; quorvia-import --to makes it, or an administrator runs: " + std::string(kCreateNoCaseCollation));
  }
  const std::string mayCreate = connection_.QueryText(
      "SELECT CASE WHEN has_schema_privilege(n.oid, 'CREATE') THEN 'yes' ELSE 'no' END "
      "FROM pg_namespace n WHERE n.nspname = current_user");
  if (mayCreate == "no") {
    ThrowSetup("The role " + role_ + " may not create in its own schema" + where +
               "; an administrator runs: ALTER SCHEMA " + OwnSchema() + " OWNER TO " + OwnSchema());
  }
  if (mayCreate.empty() &&
      connection_.QueryText("SELECT has_database_privilege(current_database(), 'CREATE')") != "t") {
    ThrowSetup("The role " + role_ + " has no schema of its own" + where +
               "; an administrator runs: CREATE SCHEMA " + OwnSchema() + " AUTHORIZATION " + OwnSchema());
  }
  const std::string unreadable = connection_.QueryText(
      "SELECT string_agg(c.relname, ', ' ORDER BY c.relname) FROM pg_class c "
      "JOIN pg_namespace n ON n.oid = c.relnamespace "
      "WHERE c.relkind IN ('r', 'p') AND pg_table_is_visible(c.oid) "
      "AND n.nspname NOT IN ('pg_catalog', 'information_schema') "
      "AND (c.relname LIKE 'data\\_%' OR c.relname LIKE 'units\\_%') AND NOT has_table_privilege(c.oid, "
      "'SELECT')");
  if (!unreadable.empty()) {
    ThrowSetup("The role " + role_ + " may not read the tables " + unreadable + where +
               "; an administrator grants SELECT on them");
  }
}

void PgBackend::EnsureOpen() {
  if (connection_.IsOpen()) return;
  if (transactions_.Depth() > 0) {
    // The server discarded the open transaction with the connection; going on outside it would split
    // what the caller meant as one change.
    transactions_.Forget();
    throw DbError(kConnectionLost, "The connection to the " + connection_.Describe() +
                                       " was lost during a transaction; nothing of it was kept.");
  }
  connection_.Reconnect();
}

std::vector<TableDef> PgBackend::ReadTables() {
  EnsureOpen();
  const PgResult columns = connection_.Execute(
      "SELECT coalesce(substring(obj_description(c.oid, 'pg_class') FROM '^' || $1 || '(.*)$'), c.relname), "
      "coalesce(substring(col_description(c.oid, a.attnum) FROM '^' || $1 || '(.*)$'), a.attname) "
      "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
      "JOIN pg_attribute a ON a.attrelid = c.oid AND a.attnum > 0 AND NOT a.attisdropped "
      "WHERE c.relkind IN ('r', 'p') AND pg_table_is_visible(c.oid) "
      "AND n.nspname NOT IN ('pg_catalog', 'information_schema') ORDER BY c.oid, a.attnum",
      {std::string(kSourceNameMarker)});
  TableListBuilder tables;
  for (int row = 0; row < PQntuples(columns.get()); ++row) {
    tables.Add(PQgetvalue(columns.get(), row, 0), PQgetvalue(columns.get(), row, 1));
  }
  return tables.Take();
}

void PgBackend::CheckQuery(const std::string& programSql) {
  // The server plans the query and stops at once: a limit of no rows pulls nothing from below it.
  OpenRecordset("SELECT * FROM (" + programSql + ") AS checked_query LIMIT 0");
}

std::unique_ptr<Recordset> PgBackend::OpenRecordset(const std::string& programSql) {
  EnsureOpen();
  const std::string sql = ToPostgres(programSql);
  // Outside the program's own transactions a recordset runs read-only, so that it never changes anything.
  const PgResult result =
      transactions_.Depth() == 0 ? connection_.ExecuteReadOnly(sql) : connection_.Execute(sql);
  if (PQresultStatus(result.get()) != PGRES_TUPLES_OK || PQnfields(result.get()) == 0) {
    throw DbError(kSqlError, "Only a query that returns rows and changes nothing can open a recordset.");
  }
  const int columnCount = PQnfields(result.get());
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(columnCount));
  for (int column = 0; column < columnCount; ++column) names.emplace_back(PQfname(result.get(), column));
  const int rowCount = PQntuples(result.get());
  std::vector<std::vector<FieldValue>> rows(static_cast<std::size_t>(rowCount));
  for (int row = 0; row < rowCount; ++row) {
    auto& values = rows[static_cast<std::size_t>(row)];
    values.reserve(static_cast<std::size_t>(columnCount));
    for (int column = 0; column < columnCount; ++column) values.push_back(ValueAt(result.get(), row, column));
  }
  return std::make_unique<Recordset>(std::move(names), std::move(rows));
}

std::vector<QueryDef> PgBackend::ReadQueryDefs() {
  EnsureOpen();
  const PgResult views = connection_.Execute(
      "SELECT c.relname, obj_description(c.oid, 'pg_class'), pg_get_viewdef(c.oid) FROM pg_class c "
      "JOIN pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = current_user AND c.relkind = 'v' "
      "ORDER BY c.oid");
  std::vector<QueryDef> defs;
  for (int row = 0; row < PQntuples(views.get()); ++row) {
    const std::string comment = PQgetvalue(views.get(), row, 1);
    std::string sql = comment.starts_with(kProgramSqlMarker) ? comment.substr(kProgramSqlMarker.size())
                                                             : PQgetvalue(views.get(), row, 2);
    defs.push_back(QueryDef{PQgetvalue(views.get(), row, 0), std::move(sql)});
  }
  return defs;
}

template <class Work>
void PgBackend::Atomically(Work work) {
  BeginTrans();
  try {
    work();
    CommitTrans();
  } catch (...) {
    try {
      Rollback();
    } catch (const DbError& error) {
      // The first failure is the one to report; a lost connection has rolled back on the server anyway.
      qCWarning(lcDb) << "Rolling back on the" << connection_.Describe().c_str()
                      << "failed:" << error.Description().c_str();
    } catch (...) {
      qCWarning(lcDb) << "Rolling back on the" << connection_.Describe().c_str() << "failed";
    }
    throw;
  }
}

void PgBackend::DropQueryDef(const std::string& storedName) {
  EnsureOpen();
  // IF EXISTS: a view that another session dropped a moment ago is gone, as asked.
  connection_.Execute("DROP VIEW IF EXISTS " + OwnSchema() + "." + QuoteIdentifier(storedName));
}

void PgBackend::CreateQueryDef(const std::string& name, const std::string& programSql) {
  EnsureOpen();
  const std::string view = StoredQueryView(role_, name);
  const std::string sql = ToPostgres(programSql);
  Atomically([&] {
    if (connection_.QueryText("SELECT 1 FROM pg_namespace WHERE nspname = current_user").empty()) {
      connection_.Execute("CREATE SCHEMA " + OwnSchema());
    }
    connection_.Execute("CREATE VIEW " + view + " AS " + sql);
    connection_.Execute("COMMENT ON VIEW " + view + " IS " +
                        QuoteLiteral(std::string(kProgramSqlMarker) + programSql));
  });
}

void PgBackend::BeginTrans() {
  if (transactions_.Depth() == 0) EnsureOpen();
  transactions_.Begin(Executor());
}

void PgBackend::CommitTrans() { transactions_.Commit(Executor()); }

void PgBackend::Rollback() {
  if (!connection_.IsOpen()) {
    transactions_.Forget();  // the server rolled back everything when the connection ended
    return;
  }
  transactions_.Rollback(Executor());
}

TransactionNesting::Execute PgBackend::Executor() {
  return [this](const std::string& sql) { connection_.Execute(sql); };
}

}  // namespace quorvia::db::pg
