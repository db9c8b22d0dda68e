#include "file_mode/temporary_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace quorvia::file_mode {

TemporaryFile::TemporaryFile(const std::string& pattern) {
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) throw std::system_error(errno, std::generic_category(), "cannot make " + pattern);
  ::close(fd);
  path_ = name.data();
}

TemporaryFile::~TemporaryFile() {
  if (!path_.empty()) ::unlink(path_.c_str());
}

void TemporaryFile::SetMode(mode_t mode) const { ::chmod(path_.c_str(), mode); }

}  // namespace quorvia::file_mode
