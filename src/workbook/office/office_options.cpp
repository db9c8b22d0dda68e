#include "workbook/office/office_options.h"

#include <unistd.h>

#include <cstdlib>

#include "workbook/office/office_slots.h"

namespace quorvia::workbook::office {
namespace {

std::string CacheRoot() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    return std::string(home) + "/.cache";
  return "/tmp";
}

}  // namespace

std::string QuorviaCacheFolder() { return CacheRoot() + "/quorvia"; }

OfficeOptions OfficeOptions::Private(const std::string& pipeName, const std::string& folder) {
  OfficeOptions options;
  options.pipeName = pipeName;
  options.profileDir = folder + "/profile";
  options.homeDir = folder + "/home";
  options.tempDir = folder + "/tmp";
  options.sofficePath = std::string(QUORVIA_LO_PROGRAM_DIR) + "/soffice.bin";
  return options;
}

OfficeOptions OfficeOptions::Default() {
  OfficeOptions options;
  options.pipeName = "quorvia_office_" + std::to_string(getuid()) + "_" + std::to_string(getpid());
  const OfficeSlot slot = OfficeSlot::TakeFree(QuorviaCacheFolder());
  options.profileDir = (slot.folder / "profile").string();
  options.homeDir = (slot.folder / "home").string();
  options.tempDir = (slot.folder / "tmp").string();
  options.slotLock = slot.lock;
  options.sofficePath = std::string(QUORVIA_LO_PROGRAM_DIR) + "/soffice.bin";
  return options;
}

}  // namespace quorvia::workbook::office
