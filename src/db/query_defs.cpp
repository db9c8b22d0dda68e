#include "db/query_defs.h"

#include <algorithm>

#include "db/ascii_case.h"
#include "db/database.h"
#include "db/db_error.h"
#include "db/sqlite_statement.h"
#include "db/view_definition.h"

namespace quorvia::db {

namespace {

[[noreturn]] void ThrowItemNotFound() { throw DbError(kItemNotFound, "Item not found in this collection."); }

}  // namespace

QueryDefs::QueryDefs(Database& database) : database_(database) { Refresh(); }

const QueryDef& QueryDefs::Item(int position) const {
  if (position < 0 || position >= Count()) ThrowItemNotFound();
  return defs_[static_cast<std::size_t>(position)];
}

void QueryDefs::Delete(std::string_view name) {
  const auto found = std::ranges::find_if(
      defs_, [name](const QueryDef& def) { return EqualsIgnoringAsciiCase(def.Name, name); });
  if (found == defs_.end()) ThrowItemNotFound();
  database_.ExecuteNative("DROP VIEW " + QuoteIdentifier(found->Name));
  defs_.erase(found);
}

void QueryDefs::Refresh() {
  SqliteStatement views(database_.Handle(),
                        "SELECT name, sql FROM sqlite_master WHERE type = 'view' ORDER BY rowid");
  std::vector<QueryDef> fresh;
  while (views.Step()) {
    fresh.push_back(QueryDef{views.Column(0).ToString(), ProgramSqlOfView(views.Column(1).ToString())});
  }
  defs_ = std::move(fresh);
}

}  // namespace quorvia::db
