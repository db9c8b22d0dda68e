#pragma once

#include <memory>
#include <string>

#include "db/field_value.h"
#include "workbook/query_table.h"

namespace quorvia::db {
class Database;
class Recordset;
}  // namespace quorvia::db

namespace quorvia::query {

// All rows of a query, read once, as the report's data sheet receives them.
workbook::QueryTable ReadRows(db::Database& database, const std::string& sql);
// The rows of a result, from its current row on, as the report's data sheet receives them.
workbook::QueryTable TableOf(db::Recordset& result);

// What the label of an update shows and the report receives, read before anything is written into the
// workbook: the change query's rows (their number is the label's count) and the total area.
struct UpdateFigures {
  workbook::QueryTable changes;
  db::FieldValue area;  // null when no record matched
};

// Reads the area query on `beside` (a second connection to the same database) while the change query is
// read on `database`, so that on a large table the two passes take the two cores; one after the other on
// `database` when there is no second connection. Each query runs whole on one connection, so its figures
// are exactly those of the query run alone.
UpdateFigures ReadUpdateFigures(db::Database& database, db::Database* beside, const std::string& areaSql,
                                const std::string& changeSql);

}  // namespace quorvia::query
