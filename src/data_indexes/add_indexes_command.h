#pragma once

#include <ostream>
#include <string>

namespace quorvia::data_indexes {

// quorvia-import --add-indexes FILE: gives the change tables of an existing SQLite MOSA_DB.mdb the indexes
// that the program's queries use, saying on `out` what it added and how much space they take, and on
// `err` what went wrong. Returns the exit status: 0 when the file has the indexes afterwards, 1 otherwise
// (the file is then as it was).
int AddIndexesCommand(const std::string& file, std::ostream& out, std::ostream& err);

}  // namespace quorvia::data_indexes
