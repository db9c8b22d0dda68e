#pragma once

#include <sys/types.h>

#include <string>

namespace quorvia::file_mode {

// A new, empty, private file (mkstemp) that is removed again unless Keep() is called: a file is written
// under a temporary name beside its target and moved into place only when complete, so that a failure
// leaves nothing behind.
class TemporaryFile {
 public:
  // `pattern` is the file's path ending in "XXXXXX", which mkstemp replaces by random letters. Throws
  // std::system_error carrying errno when the file cannot be made.
  explicit TemporaryFile(const std::string& pattern);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& Path() const { return path_; }
  // The file has been moved into place (or is otherwise wanted): it is no longer removed.
  void Keep() { path_.clear(); }
  // mkstemp makes the file private; a file that takes the place of one the user sees gets other permissions.
  void SetMode(mode_t mode) const;

 private:
  std::string path_;
};

}  // namespace quorvia::file_mode
