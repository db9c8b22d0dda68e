#pragma once

#include <vector>

#include "db/sqlite_connection.h"
#include "demo_country.h"
#include "demo_random.h"
#include "demo_units.h"

namespace quorvia::tools {

// Creates UNITS_cc and DATA_cc for one country and fills them: one UNITS_cc row per unit combination of the
// pool, and recordCount change records whose units are combinations of the pool. The first records visit
// every combination once, so each row of UNITS_cc has data as soon as there are enough records.
void WriteCountryTables(db::SqliteConnection& db, const DemoCountry& country,
                        const std::vector<UnitCombination>& pool, int recordCount, DemoRandom& random);

}  // namespace quorvia::tools
