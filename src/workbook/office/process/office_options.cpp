#include "workbook/office/process/office_options.h"
#include "workbook/office/process/log.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "workbook/office/process/office_slots.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {
namespace {

std::string CacheRoot() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg == '/') return xdg;
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    return std::string(home) + "/.cache";
  return "/tmp";
}

// A slot under the cache folder, or under the temporary folder when the cache cannot be written (the
// program must still start; an office that cannot start then fails its step with a reason).
OfficeSlot FreeSlot() {
  try {
    return OfficeSlot::TakeFree(QuorviaCacheFolder());
  } catch (const AutomationError& error) {
    qCWarning(lcOfficeProcess, "no office folder in the cache, using the temporary folder: %s", error.what());
    return OfficeSlot::TakeFree(std::filesystem::temp_directory_path() /
                                ("quorvia-" + std::to_string(getuid())));
  }
}

}  // namespace

std::string QuorviaCacheFolder() { return CacheRoot() + "/quorvia"; }

std::string UsersOwnProfile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  const std::string root = config != nullptr && *config == '/'
                               ? std::string(config)
                               : std::string(home != nullptr ? home : "") + "/.config";
  return root + "/libreoffice/4";
}

std::string OfficeOptions::ProfileFolder() const {
  return profileDir.empty() ? UsersOwnProfile() : profileDir;
}

OfficeOptions OfficeOptions::VisibleDetached(const std::string& pipeName, const std::string& profileDir) {
  OfficeOptions options;
  options.kind = Kind::VisibleDetached;
  options.pipeName = pipeName;
  options.profileDir = profileDir;
  options.sofficePath = std::string(QUORVIA_LO_PROGRAM_DIR) + "/soffice.bin";
  return options;
}

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
  const OfficeSlot slot = FreeSlot();
  options.profileDir = (slot.folder / "profile").string();
  options.homeDir = (slot.folder / "home").string();
  options.tempDir = (slot.folder / "tmp").string();
  options.slotLock = slot.lock;
  options.sofficePath = std::string(QUORVIA_LO_PROGRAM_DIR) + "/soffice.bin";
  return options;
}

}  // namespace quorvia::workbook::office
