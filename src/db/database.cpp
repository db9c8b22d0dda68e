#include "db/database.h"

#include <utility>

#include "db/db_error.h"
#include "db/log.h"
#include "db/sqlite_backend.h"

namespace quorvia::db {

Database::Database(const std::string& path) : backend_(std::make_unique<SqliteBackend>(path)) {}

Database::Database(std::unique_ptr<DatabaseBackend> backend) : backend_(std::move(backend)) {}

Database::~Database() = default;

std::unique_ptr<Database> Database::OpenAnother() const {
  auto backend = backend_->OpenAnother();
  if (!backend) return nullptr;
  return std::make_unique<Database>(std::move(backend));
}

std::optional<GroupedSum> Database::ReadGroupedSumInParts(Database& beside,
                                                          const GroupedSumRequest& request) {
  return backend_->ReadGroupedSumInParts(*beside.backend_, request);
}

TableDefs Database::ListTableDefs() const { return TableDefs(backend_->ReadTables()); }

std::unique_ptr<Recordset> Database::OpenRecordset(const std::string& sql) {
  return backend_->OpenRecordset(sql);
}

void Database::CheckQuery(const std::string& sql) { backend_->CheckQuery(sql); }

QueryDefs& Database::GetQueryDefs() {
  if (!queryDefs_) queryDefs_ = std::make_unique<QueryDefs>(*this);
  return *queryDefs_;
}

QueryDef Database::CreateQueryDef(const std::string& name, const std::string& sql) {
  if (name.empty()) throw DbError(kSqlError, "A stored query needs a name.");
  backend_->CreateQueryDef(name, sql);
  if (queryDefs_) queryDefs_->Refresh();
  return QueryDef{name, sql};
}

void Database::BeginTrans() { backend_->BeginTrans(); }

void Database::CommitTrans() { backend_->CommitTrans(); }

void Database::Rollback() {
  backend_->Rollback();
  // Stored queries deleted or made inside the transaction are back or gone again.
  if (queryDefs_) queryDefs_->Refresh();
}

Transaction::Transaction(Database& database) : database_(database) { database_.BeginTrans(); }

Transaction::~Transaction() {
  if (!open_) return;
  try {
    database_.Rollback();
  } catch (const DbError& error) {
    // A destructor must not throw; both engines roll back whatever is left open when the connection ends.
    qCWarning(lcDb) << "Rolling back an abandoned transaction on" << database_.Path().c_str()
                    << "failed:" << error.Description().c_str();
  } catch (...) {
    qCWarning(lcDb) << "Rolling back an abandoned transaction on" << database_.Path().c_str() << "failed";
  }
}

void Transaction::Commit() {
  database_.CommitTrans();
  open_ = false;
}

}  // namespace quorvia::db
