#include "query/updata.h"

#include "db/ascii_case.h"
#include "db/database.h"
#include "db/db_error.h"
#include "query/log.h"
#include "vocabulary/data_tables.h"

namespace quorvia::query {

namespace {

// Removes FILTERED, when there is one, inside the caller's transaction.
void DropFiltered(db::QueryDefs& queryDefs) {
  // Read afresh: another client may have dropped FILTERED since the list was read (a server loaded again
  // with --replace drops the views on its tables), and it must be made again, not deleted again.
  queryDefs.Refresh();
  bool found = false;
  // The engine matches names without regard to case, so "filtered" is the same query and must go too.
  for (int i = 0; i < queryDefs.Count(); ++i) {
    if (db::EqualsIgnoringAsciiCase(queryDefs.Item(i).Name, vocabulary::kFilteredQuery)) found = true;
  }
  if (found) queryDefs.Delete(vocabulary::kFilteredQuery);
  queryDefs.Refresh();
}

}  // namespace

void Updata(db::Database& WorkDb, const std::string& Sql) {
  db::Transaction transaction(WorkDb);
  auto& queryDefs = WorkDb.GetQueryDefs();
  DropFiltered(queryDefs);
  WorkDb.CreateQueryDef(vocabulary::kFilteredQuery, Sql);
  queryDefs.Refresh();
  transaction.Commit();
}

std::optional<std::string> StoredFiltered(db::Database& WorkDb) {
  auto& queryDefs = WorkDb.GetQueryDefs();
  queryDefs.Refresh();
  for (int i = 0; i < queryDefs.Count(); ++i) {
    if (db::EqualsIgnoringAsciiCase(queryDefs.Item(i).Name, vocabulary::kFilteredQuery)) {
      return queryDefs.Item(i).SQL;
    }
  }
  return std::nullopt;
}

void PutBackFiltered(db::Database& WorkDb, const std::optional<std::string>& before) {
  if (before) {
    Updata(WorkDb, *before);
    return;
  }
  db::Transaction transaction(WorkDb);
  auto& queryDefs = WorkDb.GetQueryDefs();
  DropFiltered(queryDefs);
  transaction.Commit();
}

FilteredRewrite::FilteredRewrite(db::Database& WorkDb, const std::string& sql)
    : workDb_(WorkDb), before_(StoredFiltered(WorkDb)) {
  Updata(WorkDb, sql);
}

FilteredRewrite::~FilteredRewrite() {
  if (settled_) return;
  if (const std::string failure = PutBack(); !failure.empty()) {
    // The error that left the run is the one reported; this one can only be logged.
    qCWarning(lcQuery) << "FILTERED could not be put back:" << failure.c_str();
  }
}

std::string FilteredRewrite::PutBack() {
  settled_ = true;
  try {
    PutBackFiltered(workDb_, before_);
    return {};
  } catch (const db::DbError& error) {
    return error.Description() + " (error " + std::to_string(error.Number()) + ")";
  } catch (const std::exception& error) {
    return error.what();
  }
}

}  // namespace quorvia::query
