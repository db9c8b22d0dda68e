#pragma once

#include <string>

namespace quorvia::file_mode {

// Moves `from` to `to` unless `to` exists; false (errno EEXIST) when it does, false with errno set on any
// other failure. A finished file is put in place this way so that a file the user made under that name in
// the meantime is never written over.
bool MoveNoReplace(const std::string& from, const std::string& to);

}  // namespace quorvia::file_mode
