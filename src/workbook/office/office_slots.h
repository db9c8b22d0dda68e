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

// The office's lock file beside a document, as the office names it.
std::filesystem::path OfficeLockFileOf(const std::filesystem::path& document);

// Removes the office lock file of `document` when it provably is a leftover of ours: it names the profile
// `ownProfileDir` while our office does not hold the document (`heldByOwnOffice` false), or it names the
// profile of a slot that no process holds any more. Lock files of anyone else are never touched.
void RemoveLeftoverLockFile(const std::filesystem::path& document, const std::filesystem::path& ownProfileDir,
                            bool heldByOwnOffice);

// True when the lock file was provably left by an office that has ended: it was written on this host by
// this user, and no office process of this user runs on the profile it names (an office ends only with
// its process, so such a lock holds nothing).
bool IsLockOfEndedOffice(const std::filesystem::path& lockFile);

// The lock file of `document` when some program holds it, after removing it when it is a lock of an ended
// office; nothing when there is no lock (any more).
std::optional<std::filesystem::path> LiveLockFileOf(const std::filesystem::path& document);

// A record, in the office's HOME, of which Quorvia process uses the office folders, which office
// processes it started and which files they opened. A process killed outright (its office dies with it)
// leaves the office's lock files and half-written save files beside those files; the next process on
// the same folders finds the record of a process that no longer runs and removes exactly those.
class OfficeJournal {
 public:
  OfficeJournal(std::filesystem::path file, std::filesystem::path profileDir)
      : file_(std::move(file)), profileDir_(std::move(profileDir)) {}
  // Cleans up after the recorded process when it no longer runs, then records this process.
  void TakeOver();
  void RecordOffice(int officePid);
  void RecordFile(const std::filesystem::path& file);

 private:
  void Append(const std::string& line);
  void CleanUpAfterEndedProcess();
  std::filesystem::path file_;
  std::filesystem::path profileDir_;
  std::set<std::filesystem::path> recorded_;
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
