#pragma once

#include <string>

#include "sqlite_fixture.h"

namespace quorvia::testing {

// What the window tests' two countries share after AT's units, which each test writes to its purpose:
// one AT record, and FR (PARTIAL, no change1) with one unit and one record.
inline std::string AtRecordAndFrance() {
  return InsertRecords("AT") + R"(
    (10.5, 'AT', '211-112', '211-112', 'AT1', 'AT11', 'AT111', 'Lowlands', 'Low a', 'N1', 'Forests',
     '> 50 Km from shoreline');)" +
         InsertUnits("FR") + R"(
    ('PARTIAL', 'F1', 'Arable land', '< 10 Km from shoreline', 'FR1', 'FR10', 'FR101', 'Lowlands', 'Low a');)" +
         InsertRecords("FR", false) + R"(
    (2.0, 'FR', '211-112', 'FR1', 'FR10', 'FR101', 'Lowlands', 'Low a', 'F1', 'Arable land',
     '< 10 Km from shoreline');)";
}

}  // namespace quorvia::testing
