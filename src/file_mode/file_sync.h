#pragma once

#include <string>

namespace quorvia::file_mode {

// Flushes a file's data to the disk; throws std::runtime_error naming the file on failure. A file that is
// written fast (no syncs along the way) and then renamed into place is synced first: otherwise a crash can
// leave the new name on a file without its data, and the first program to sync the file later (the first
// update that writes into it) pays for flushing all of it.
void SyncFile(const std::string& path);

}  // namespace quorvia::file_mode
