#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "folder_lock/folder_lock.h"

namespace quorvia::workbook::office {

// One office state folder (profile, HOME, temporary files) of a pool shared by every Quorvia process of a
// user: slot n is root/office-<n>/, taken by holding the lock of that folder.
struct OfficeSlot {
  std::filesystem::path folder;
  std::shared_ptr<const folder_lock::FolderLock> lock;

  // The first slot no other process holds. AutomationError when every slot is taken.
  static OfficeSlot TakeFree(const std::filesystem::path& root);
  // True when `profileDir` is the profile of a slot that no live process holds.
  static bool IsAbandonedProfile(const std::filesystem::path& profileDir);
};

// True when no process with this id runs any more.
bool ProcessEnded(long pid);

// Removes the files in `folder` named `prefix`, a process id, then nothing or "-" and anything, when that
// process no longer runs: what a run that was killed left behind. Names of running processes stay.
void RemoveFilesOfEndedProcesses(const std::filesystem::path& folder, const std::string& prefix);

// Removes the pipes that offices of Quorvia processes no longer running left in `folder` (pipe names
// carry the process id of the Quorvia that chose them).
void RemovePipesOfEndedProcesses(const std::filesystem::path& folder);

}  // namespace quorvia::workbook::office
