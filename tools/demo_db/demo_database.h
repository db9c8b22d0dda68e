#pragma once

#include <cstdint>
#include <string>

namespace quorvia::tools {

struct DemoOptions {
  std::uint32_t seed = 20040904;  // fixed: the same file every time
  int recordsPerCountry = 4000;   // change records in each DATA_ table
  std::string largeCountry;       // e.g. "FR": this country gets largeRecords records instead
  int largeRecords = 1'000'000;
};

// Writes a complete demo database at path (replacing an existing file only once the new one is complete).
// The database is built in path + ".tmp" and renamed over path at the end; on any failure the temporary file
// is removed, an existing file at path is left as it was, and std::runtime_error (std::invalid_argument for
// unusable options) says why.
void WriteDemoDatabase(const std::string& path, const DemoOptions& options = {});

}  // namespace quorvia::tools
