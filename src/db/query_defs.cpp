#include "db/query_defs.h"

#include <algorithm>

#include "db/ascii_case.h"
#include "db/database.h"
#include "db/db_error.h"

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
  database_.Backend().DropQueryDef(found->Name);
  defs_.erase(found);
}

void QueryDefs::Refresh() { defs_ = database_.Backend().ReadQueryDefs(); }

}  // namespace quorvia::db
