#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvia::db {

struct FieldDef {
  std::string Name;
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

}  // namespace quorvia::db
