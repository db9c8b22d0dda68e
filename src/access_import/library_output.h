#pragma once

#include <array>

namespace quorvia::access_import {

// libmdb writes its diagnostics (warnings, hex dumps of damaged pages) straight to the standard output and
// error of the process. While an object of this class lives, both point at /dev/null, so that our own
// message about a file stands alone; Resume and Pause let our own output through between libmdb's calls.
class LibraryOutputMuted {
 public:
  LibraryOutputMuted();
  ~LibraryOutputMuted();
  LibraryOutputMuted(const LibraryOutputMuted&) = delete;
  LibraryOutputMuted& operator=(const LibraryOutputMuted&) = delete;

  // Standard output and error to /dev/null (after flushing what we wrote).
  void Pause();
  // Standard output and error back where they were.
  void Resume();

 private:
  int null_ = -1;
  std::array<int, 2> saved_{-1, -1};
};

// For a child process that only reads: standard output and error to /dev/null for the rest of its life.
void SilenceLibraryOutput();

}  // namespace quorvia::access_import
