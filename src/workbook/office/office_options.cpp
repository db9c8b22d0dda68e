#include "workbook/office/office_options.h"

#include <unistd.h>

#include <cstdlib>

namespace quorvia::workbook::office {
namespace {

std::string CacheRoot() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    return std::string(home) + "/.cache";
  return "/tmp";
}

}  // namespace

OfficeOptions OfficeOptions::Default() {
  const std::string root = CacheRoot() + "/quorvia";
  OfficeOptions options;
  options.pipeName = "quorvia_office_" + std::to_string(getuid());
  options.profileDir = root + "/office-profile";
  options.homeDir = root + "/office-home";
  options.sofficePath = std::string(QUORVIA_LO_PROGRAM_DIR) + "/soffice.bin";
  return options;
}

}  // namespace quorvia::workbook::office
