#pragma once

#include <optional>
#include <string>

#include "query/change_rows.h"
#include "query/criteria.h"
#include "query/run_stop.h"

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

// ReadFiguresOfUpdate, its queries on both connections open to `stop`: nothing when a stop was asked for
// before or while they ran (whatever they gave is dropped); an engine error otherwise.
std::optional<UpdateFigures> ReadFiguresUnlessStopped(RunStop& stop, db::Database& database,
                                                      db::Database* beside, const std::string& countryCode,
                                                      const Conditions& conditions,
                                                      const std::string& areaSql,
                                                      const std::string& changeSql);

}  // namespace quorvia::query
