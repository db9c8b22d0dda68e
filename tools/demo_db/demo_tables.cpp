#include "demo_tables.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "db/sqlite_statement.h"
#include "demo_changes.h"
#include "vocabulary/data_tables.h"

namespace quorvia::tools {

namespace {

using vocabulary::kAreaColumn;
using vocabulary::kChangesDatabaseColumn;
using vocabulary::kCountryColumn;
using vocabulary::kDataTablePrefix;
using vocabulary::kReviewedChangeColumn;
using vocabulary::kUnitsTablePrefix;

// Text columns ignore letter case, so "at" finds the rows of AT as the program's queries expect.
std::string TextColumns(const std::vector<std::string>& names) {
  std::string columns;
  for (const std::string& name : names) {
    if (!columns.empty()) columns += ", ";
    columns += name + " TEXT COLLATE NOCASE";
  }
  return columns;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : ", ") + name;
  return joined;
}

std::vector<std::string> Concatenated(std::vector<std::string> first,
                                      const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

// The filter columns of the units table (the plain filters' first) and of the data table (the levelled
// filters' first).
std::vector<std::string> UnitTableColumns() {
  return Concatenated(FilterColumns(query::FilterKind::plain), FilterColumns(query::FilterKind::levelled));
}
std::vector<std::string> DataTableColumns() {
  return Concatenated(FilterColumns(query::FilterKind::levelled), FilterColumns(query::FilterKind::plain));
}

std::vector<std::string> ChangeColumns(const DemoCountry& country) {
  if (country.hasChange1) return {kReviewedChangeColumn, kChangesDatabaseColumn};
  return {kChangesDatabaseColumn};
}

void CreateTables(db::SqliteConnection& db, const DemoCountry& country) {
  db.Execute("CREATE TABLE " + std::string(kUnitsTablePrefix) + country.code + " (" +
             TextColumns(Concatenated({"STATUS"}, UnitTableColumns())) + ")");
  db.Execute(
      "CREATE TABLE " + std::string(kDataTablePrefix) + country.code + " (" + kAreaColumn + " REAL, " +
      TextColumns(Concatenated(Concatenated({kCountryColumn}, ChangeColumns(country)), DataTableColumns())) +
      ")");
}

std::string Slots(std::size_t count) {
  std::string slots;
  for (std::size_t i = 0; i < count; ++i) slots += i == 0 ? "?" : ", ?";
  return slots;
}

// Binds the unit's values of `columns` from position `first` on.
void BindUnit(db::SqliteStatement& statement, int first, const std::vector<std::string>& columns,
              const UnitCombination& unit) {
  for (const std::string& column : columns) statement.BindOptionalText(first++, unit.Value(column));
}

void WriteUnits(db::SqliteConnection& db, const DemoCountry& country,
                const std::vector<UnitCombination>& pool) {
  const std::vector<std::string> columns = UnitTableColumns();
  db::SqliteStatement insert(db.Handle(), "INSERT INTO " + std::string(kUnitsTablePrefix) + country.code +
                                              " (STATUS, " + Joined(columns) + ") VALUES (" +
                                              Slots(columns.size() + 1) + ")");
  for (const UnitCombination& unit : pool) {
    insert.BindText(1, country.status);
    BindUnit(insert, 2, columns, unit);
    insert.Step();
    insert.Reset();
  }
}

void WriteRecords(db::SqliteConnection& db, const DemoCountry& country,
                  const std::vector<UnitCombination>& pool, int recordCount, DemoRandom& random) {
  const std::vector<std::string> changeColumns = ChangeColumns(country);
  const std::vector<std::string> unitColumns = DataTableColumns();
  db::SqliteStatement insert(
      db.Handle(), "INSERT INTO " + std::string(kDataTablePrefix) + country.code + " (" + kAreaColumn + ", " +
                       kCountryColumn + ", " + Joined(changeColumns) + ", " + Joined(unitColumns) +
                       ") VALUES (" + Slots(2 + changeColumns.size() + unitColumns.size()) + ")");
  const auto poolSize = static_cast<std::uint32_t>(pool.size());
  for (int record = 0; record < recordCount; ++record) {
    const ChangeValues values = DrawChangeValues(random);
    const auto index = static_cast<std::uint32_t>(record);
    const UnitCombination& unit = pool[index < poolSize ? index : random.Below(poolSize)];
    int position = 1;
    insert.BindDouble(position++, values.areaHundredths / 100.0);
    insert.BindText(position++, country.code);
    if (country.hasChange1) insert.BindText(position++, *values.change1);
    insert.BindText(position++, *values.change2);
    BindUnit(insert, position, unitColumns, unit);
    insert.Step();
    insert.Reset();
  }
}

}  // namespace

void WriteCountryTables(db::SqliteConnection& db, const DemoCountry& country,
                        const std::vector<UnitCombination>& pool, int recordCount, DemoRandom& random) {
  CreateTables(db, country);
  WriteUnits(db, country, pool);
  WriteRecords(db, country, pool, recordCount, random);
}

}  // namespace quorvia::tools
