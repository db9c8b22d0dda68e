#pragma once

#include <ostream>
#include <string>

namespace quorvia::data_indexes {

// quorvia-import --add-indexes FILE: gives the change tables of an existing SQLite MOSA_DB.mdb the indexes
// that the program's queries use and rewrites a file of small pages with 64 KB ones, saying on `out` what it
// did and how much space the indexes take, and on `err` what went wrong, naming the disk that lacks room.
// It first checks that the file's disk and the temporary folder have the room both steps need. Returns the
// exit status: 0 when everything was done, 1 otherwise. A failed step leaves the file as the step found it,
// byte for byte and with no journal beside it: as it was, or with the indexes when only the rewrite failed.
int AddIndexesCommand(const std::string& file, std::ostream& out, std::ostream& err);

}  // namespace quorvia::data_indexes
