#include "file_mode/process_umask.h"

#include <sys/stat.h>

#include <fstream>
#include <string>

namespace quorvia::file_mode {
namespace {

// The kernel tells the mask in /proc without changing it. Where it does not, the mask is set and set back,
// which is safe here only because this runs before main, while the program has one thread.
mode_t ReadMask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.starts_with("Umask:")) {
      try {
        return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
      } catch (const std::exception&) {
        break;
      }
    }
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

[[maybe_unused]] const mode_t kReadAtStartUp = ProcessUmask();

}  // namespace

mode_t ProcessUmask() noexcept {
  static const mode_t mask = ReadMask();
  return mask;
}

}  // namespace quorvia::file_mode
