#pragma once

#include <optional>
#include <string>

#include "query/change_rows.h"
#include "query/criteria.h"

namespace quorvia::db {
class Database;
}

namespace quorvia::query {

// Whether the conditions select a whole country: every filter but the country on "All".
bool SelectsWholeCountry(const Conditions& conditions);

// The figures of an update. A whole country is read in parts on both connections where the engine can
// promise the very figures of the area query and the change query read whole (a large country is then
// summed by both cores); anything else as ReadUpdateFigures reads it.
UpdateFigures ReadFiguresOfUpdate(db::Database& database, db::Database* beside,
                                  const std::string& countryCode, const Conditions& conditions,
                                  const std::string& areaSql, const std::string& changeSql);

}  // namespace quorvia::query
