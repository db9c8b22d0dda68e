#pragma once

#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "run_command.h"
#include "sqlite_fixture.h"

namespace quorvia::access_import::testing {

namespace fs = std::filesystem;

// A sample file of tests/data/access. A missing one fails the test that reads it, naming the file, before the
// test could go on with empty bytes.
inline fs::path Sample(const std::string& name) {
  const fs::path file = fs::path(QUORVIA_ACCESS_SAMPLES) / name;
  if (!fs::is_regular_file(file)) {
    throw std::runtime_error("test data file missing: " + file.string() +
                             " (restore it from the repository's tests/data/access)");
  }
  return file;
}

using quorvia::testing::FileBytes;

inline void WriteBytes(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// Every file of a folder with its bytes: two equal snapshots mean nothing was changed.
using Snapshot = std::map<std::string, std::string>;
inline Snapshot TakeSnapshot(const fs::path& folder) {
  Snapshot files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    files[entry.path().filename().string()] = FileBytes(entry.path());
  }
  return files;
}

// A fresh folder under the system's temporary folder, removed with what it holds even when a test took the
// write permission away.
class ScratchFolder {
 public:
  ScratchFolder() = default;
  ~ScratchFolder() {
    std::error_code ignored;
    fs::permissions(Path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& Path() const { return folder_.Path(); }
  // A writable copy of a sample under `name`.
  fs::path Copy(const std::string& sample, const std::string& name) const {
    const fs::path copy = Path() / name;
    fs::copy_file(Sample(sample), copy);
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    return copy;
  }

 private:
  quorvia::testing::TempFolder folder_;  // removed after the permission above is given back
};

using quorvia::testing::CommandResult;
using quorvia::testing::RunCommand;
using quorvia::testing::ShellQuote;

}  // namespace quorvia::access_import::testing
