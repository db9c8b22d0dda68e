#pragma once

#include <optional>

#include "db/grouped_sum.h"

struct sqlite3;

namespace quorvia::db {

// Reads a grouped sum and its total on two connections to the same SQLite file at once, so that a large
// table takes both cores, with figures identical to the bit to those of the two queries read whole:
// - each group is read whole by one connection, by a query that names its value, in the order of the same
//   covering index as the grouped query alone, so each group's floating-point sum adds the same values in
//   the same order; its value is the grouped query's, that of its first row in the index;
// - the total, which the engine sums in the table's row order, is summed again in that order from the
//   values the groups met on their way (a row's value is kept at its rowid), or, where that cannot be
//   done, read whole by the first connection before it takes its share of the groups.
// Nothing when the plans do not allow this: a grouped query that does not read one covering index in group
// order, a null or non-text group value, too many groups, a file in write-ahead mode (where the two
// connections could read two states of it). DbError from the engine.
std::optional<GroupedSum> ReadGroupedSumInParts(sqlite3* first, sqlite3* second,
                                                const GroupedSumRequest& request);

}  // namespace quorvia::db
