#include "query/updata.h"

#include "db/ascii_case.h"
#include "db/database.h"
#include "vocabulary/data_tables.h"

namespace quorvia::query {

void Updata(db::Database& WorkDb, const std::string& Sql) {
  db::Transaction transaction(WorkDb);
  auto& queryDefs = WorkDb.GetQueryDefs();
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
  WorkDb.CreateQueryDef(vocabulary::kFilteredQuery, Sql);
  queryDefs.Refresh();
  transaction.Commit();
}

}  // namespace quorvia::query
