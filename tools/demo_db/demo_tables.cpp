#include "demo_tables.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

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
std::string TextColumns(std::initializer_list<const char*> names) {
  std::string columns;
  for (const char* name : names) {
    if (!columns.empty()) columns += ", ";
    columns += std::string(name) + " TEXT COLLATE NOCASE";
  }
  return columns;
}

void CreateTables(db::SqliteConnection& db, const DemoCountry& country) {
  db.Execute("CREATE TABLE " + std::string(kUnitsTablePrefix) + country.code + " (" +
             TextColumns({"STATUS", "WSCODE", "DLT", "CSTDS", "N1", "N2", "N3", "EBKL1DS", "EBKL2DS"}) + ")");
  const std::string changeColumns = country.hasChange1
                                        ? TextColumns({kReviewedChangeColumn, kChangesDatabaseColumn})
                                        : TextColumns({kChangesDatabaseColumn});
  db.Execute("CREATE TABLE " + std::string(kDataTablePrefix) + country.code + " (" + kAreaColumn + " REAL, " +
             TextColumns({kCountryColumn}) + ", " + changeColumns + ", " +
             TextColumns({"N1", "N2", "N3", "EBKL1DS", "EBKL2DS", "WSCODE", "DLT", "CSTDS"}) + ")");
}

// Binds the unit columns in the order N1, N2, N3, EBKL1DS, EBKL2DS, WSCODE, DLT, CSTDS from position first
// on.
void BindUnit(db::SqliteStatement& statement, int first, const UnitCombination& unit) {
  const std::optional<std::string>* columns[] = {&unit.n1,      &unit.n2,     &unit.n3,  &unit.ebkl1ds,
                                                 &unit.ebkl2ds, &unit.wscode, &unit.dlt, &unit.cstds};
  for (const auto* column : columns) statement.BindOptionalText(first++, *column);
}

void WriteUnits(db::SqliteConnection& db, const DemoCountry& country,
                const std::vector<UnitCombination>& pool) {
  db::SqliteStatement insert(db.Handle(), "INSERT INTO " + std::string(kUnitsTablePrefix) + country.code +
                                              " (STATUS, N1, N2, N3, EBKL1DS, EBKL2DS, WSCODE, DLT, CSTDS)"
                                              " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
  for (const UnitCombination& unit : pool) {
    insert.BindText(1, country.status);
    BindUnit(insert, 2, unit);
    insert.Step();
    insert.Reset();
  }
}

void WriteRecords(db::SqliteConnection& db, const DemoCountry& country,
                  const std::vector<UnitCombination>& pool, int recordCount, DemoRandom& random) {
  const std::string changeColumns = country.hasChange1
                                        ? std::string(kReviewedChangeColumn) + ", " + kChangesDatabaseColumn
                                        : std::string(kChangesDatabaseColumn);
  const std::string changeSlots = country.hasChange1 ? "?, ?" : "?";
  db::SqliteStatement insert(
      db.Handle(), "INSERT INTO " + std::string(kDataTablePrefix) + country.code + " (" + kAreaColumn + ", " +
                       kCountryColumn + ", " + changeColumns +
                       ", N1, N2, N3, EBKL1DS, EBKL2DS, WSCODE, DLT, CSTDS) VALUES (?, ?, " + changeSlots +
                       ", ?, ?, ?, ?, ?, ?, ?, ?)");
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
    BindUnit(insert, position, unit);
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
