#pragma once

#include <memory>
#include <optional>
#include <string>

#include "db/field_value.h"
#include "db/recordset.h"

namespace quorvia::db {

// A grouped sum over one table and its total, as two queries in the program's dialect read them whole:
//   totalSql:  "SELECT sum(<sumColumn>) as <alias> from <table> where <condition>"
//   groupsSql: "SELECT <groupColumn> as <groupAlias>, sum(<sumColumn>) as <sumAlias> from <table>
//               where <condition> group by <groupColumn>"
// The pieces are those the two texts are made of, so that an engine can read the same figures in parts.
struct GroupedSumRequest {
  std::string table;
  std::string groupColumn;
  std::string groupAlias;
  std::string sumColumn;
  std::string sumAlias;
  std::string condition;
  std::string totalSql;
  std::string groupsSql;
};

// What the two queries give: the rows of groupsSql in its order, and the one value of totalSql.
struct GroupedSum {
  std::unique_ptr<Recordset> groups;
  FieldValue total;
};

}  // namespace quorvia::db
