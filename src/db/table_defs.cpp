#include "db/table_defs.h"

#include <utility>

#include "db/ascii_case.h"
#include "db/db_error.h"

namespace quorvia::db {

namespace {

[[noreturn]] void ThrowItemNotFound() { throw DbError(kItemNotFound, "Item not found in this collection."); }

template <class Item>
const Item& ItemAt(const std::vector<Item>& items, int position) {
  if (position < 0 || position >= static_cast<int>(items.size())) ThrowItemNotFound();
  return items[static_cast<std::size_t>(position)];
}

}  // namespace

TableDef::TableDef(std::string name, std::vector<FieldDef> fields)
    : name_(std::move(name)), fields_(std::move(fields)) {}

const FieldDef& TableDef::Field(int position) const { return ItemAt(fields_, position); }

TableDefs::TableDefs(std::vector<TableDef> tables) : tables_(std::move(tables)) {}

const TableDef& TableDefs::Item(int position) const { return ItemAt(tables_, position); }

const TableDef& TableDefs::Item(std::string_view name) const {
  for (const TableDef& table : tables_) {
    if (EqualsIgnoringAsciiCase(table.Name(), name)) return table;
  }
  ThrowItemNotFound();
}

void TableListBuilder::Add(std::string table, std::string column, std::string declaredType) {
  if (columnsByTable_.empty() || columnsByTable_.back().first != table) {
    columnsByTable_.emplace_back(std::move(table), std::vector<FieldDef>{});
  }
  columnsByTable_.back().second.push_back(FieldDef{std::move(column), std::move(declaredType)});
}

std::vector<TableDef> TableListBuilder::Take() {
  std::vector<TableDef> tables;
  tables.reserve(columnsByTable_.size());
  for (auto& [table, fields] : columnsByTable_) tables.emplace_back(std::move(table), std::move(fields));
  columnsByTable_.clear();
  return tables;
}

}  // namespace quorvia::db
