#include "workbook/office/process/office_slots.h"
#include "workbook/office/process/log.h"

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

#include "workbook/office/process/canonical_path.h"
#include "workbook/office/process/office_options.h"
#include "workbook/office/process/office_processes.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {
namespace fs = std::filesystem;
namespace {

constexpr int kSlotCount = 64;
constexpr const char* kSlotPrefix = "office-";
// The lock of a slot folder (made when missing), or nothing when another process holds it.
std::shared_ptr<const folder_lock::FolderLock> TryTakeSlot(const fs::path& slot) {
  try {
    fs::create_directories(slot);
    auto lock = folder_lock::FolderLock::Take(slot.string(), std::chrono::milliseconds(0), {});
    if (!lock) return nullptr;
    return std::make_shared<const folder_lock::FolderLock>(std::move(*lock));
  } catch (const std::exception& error) {
    throw AutomationError("cannot lock the office folder " + slot.string() + ": " + error.what());
  }
}

}  // namespace

OfficeSlot OfficeSlot::TakeFree(const fs::path& root) {
  std::error_code error;
  fs::create_directories(root, error);
  if (error)
    throw AutomationError("cannot create the office folder " + root.string() + ": " + error.message());
  for (int n = 1; n <= kSlotCount; ++n) {
    const fs::path folder = root / (kSlotPrefix + std::to_string(n));
    if (auto lock = TryTakeSlot(folder)) return {folder, std::move(lock)};
  }
  throw AutomationError("every office slot under " + root.string() + " is in use");
}

bool OfficeSlot::IsAbandonedProfile(const fs::path& profileDir) {
  const fs::path slot = CanonicalPath(profileDir).parent_path();
  if (!slot.filename().string().starts_with(kSlotPrefix) || !fs::is_directory(slot)) return false;
  try {
    return TryTakeSlot(slot) != nullptr;  // released again at once
  } catch (const AutomationError& error) {
    qCDebug(lcOfficeProcess, "cannot tell whether %s is abandoned, so it is not: %s", slot.c_str(),
            error.what());
    return false;
  }
}

bool ProcessEnded(long pid) { return pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH; }

void RemoveFilesOfEndedProcesses(const fs::path& folder, const std::string& prefix) {
  if (folder.empty()) return;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(prefix)) continue;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    if (end == name.c_str() + prefix.size() || (*end != '\0' && *end != '-')) continue;
    if (ProcessEnded(pid)) fs::remove(entry.path(), error);
  }
}

void RemovePipesOfEndedProcesses(const fs::path& folder) {
  RemoveFilesOfEndedProcesses(
      folder, "OSL_PIPE_" + std::to_string(getuid()) + "_quorvia_office_" + std::to_string(getuid()) + "_");
}

}  // namespace quorvia::workbook::office
