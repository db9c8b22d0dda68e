#pragma once

#include <filesystem>
#include <system_error>

namespace quorvia::workbook::office {

// A path as the kernel resolves it (symbolic links and "..", also for a last part that does not exist yet)
// and without a trailing "/", so that two names of one folder compare equal; the lexical form when the file
// system cannot be asked.
inline std::filesystem::path CanonicalPath(const std::filesystem::path& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) absolute = path;
  fs::path canonical = fs::weakly_canonical(absolute, error);
  if (error) canonical = absolute.lexically_normal();
  if (!canonical.has_filename() && canonical.has_parent_path() && canonical != canonical.root_path()) {
    canonical = canonical.parent_path();  // trailing "/"
  }
  return canonical;
}

}  // namespace quorvia::workbook::office
