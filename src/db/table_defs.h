#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quorvia::db {

struct FieldDef {
  std::string Name;
  std::string DeclaredType;  // as the table declares it where the engine keeps it (SQLite), else empty
};

// One table of the database with its columns in declaration order (a snapshot taken when listed).
class TableDef {
 public:
  TableDef(std::string name, std::vector<FieldDef> fields);

  const std::string& Name() const noexcept { return name_; }
  int FieldCount() const noexcept { return static_cast<int>(fields_.size()); }
  const FieldDef& Field(int position) const;  // DbError kItemNotFound when out of range

 private:
  std::string name_;
  std::vector<FieldDef> fields_;
};

// The tables of the database in the engine's own order (order of creation); internal tables are left out.
class TableDefs {
 public:
  explicit TableDefs(std::vector<TableDef> tables);

  int Count() const noexcept { return static_cast<int>(tables_.size()); }
  const TableDef& Item(int position) const;           // DbError kItemNotFound when out of range
  const TableDef& Item(std::string_view name) const;  // letter case ignored; DbError kItemNotFound

 private:
  std::vector<TableDef> tables_;
};

// Gathers a table list from (table, column) rows that come grouped by table, columns in declaration order,
// as each engine's catalogue query returns them.
class TableListBuilder {
 public:
  void Add(std::string table, std::string column, std::string declaredType = {});
  std::vector<TableDef> Take();

 private:
  std::vector<std::pair<std::string, std::vector<FieldDef>>> columnsByTable_;
};

}  // namespace quorvia::db
