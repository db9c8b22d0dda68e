#include "updata.h"

#include <algorithm>
#include <cctype>

#include "database.h"

namespace quorvia::query {
namespace {

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
  return std::ranges::equal(
      a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

}  // namespace

void Updata(db::Database& WorkDb, const std::string& Sql) {
  db::Transaction transaction(WorkDb);
  auto& queryDefs = WorkDb.GetQueryDefs();
  bool found = false;
  // The engine matches names without regard to case, so "filtered" is the same query and must go too.
  for (int i = 0; i < queryDefs.Count(); ++i) {
    if (SameNameIgnoringCase(queryDefs.Item(i).Name, kFilteredQuery)) found = true;
  }
  if (found) queryDefs.Delete(kFilteredQuery);
  queryDefs.Refresh();
  WorkDb.CreateQueryDef(kFilteredQuery, Sql);
  queryDefs.Refresh();
  transaction.Commit();
}

}  // namespace quorvia::query
