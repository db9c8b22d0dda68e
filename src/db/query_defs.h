#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvia::db {

class Database;

// A stored query: its name and the SQL text it was created with, exactly as passed to CreateQueryDef.
struct QueryDef {
  std::string Name;
  std::string SQL;
};

// The stored queries (views) of a database. The list is read when the collection is made and by
// Refresh; Delete removes a query from the file and from the list at once.
class QueryDefs {
 public:
  explicit QueryDefs(Database& database);

  int Count() const noexcept { return static_cast<int>(defs_.size()); }
  const QueryDef& Item(int position) const;  // DbError kItemNotFound when out of range
  void Delete(std::string_view name);        // letter case ignored; DbError kItemNotFound
  void Refresh();

 private:
  Database& database_;
  std::vector<QueryDef> defs_;
};

}  // namespace quorvia::db
