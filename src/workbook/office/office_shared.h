#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "workbook/office/process/call_watchdog.h"
#include "workbook/office/process/office_options.h"
#include "workbook/office/workbook_file/file_stamp.h"
#include "workbook/office/workbook_file/office_journal.h"

namespace quorvia::workbook::office {

// What a LibreOfficeSystem shares with the handles it gives out, and the one owner of whether the office
// it started is parked: only the transitions below change that.
class OfficeShared {
 public:
  explicit OfficeShared(const OfficeOptions& options)
      : profileDir(options.profileDir),
        watchdog(options.callTimeout),
        journal(std::filesystem::path(options.homeDir) / "quorvia-office.journal", options.profileDir) {}

  // True while the office this system started is parked: it holds no document, waits for the next
  // "create an instance", and is no running instance until then.
  bool Parked() const noexcept { return parked_; }
  // Every document of the office is closed: it waits idle. The files it opened stay listed until it ends, so
  // that a lock file it should leave behind still goes then.
  void Park();
  // The office is in use again: a create took it, or a workbook is opened in it.
  void TakeOver() noexcept { parked_ = false; }
  // The office has ended. Its lock files beside the files it opened stay behind when it dies; they name
  // this profile, so they are provably ours and are removed, and so is the half-written save file of an
  // office ended under a save ("lu<its pid>…tmp"), when its process id is given. Nothing is parked any more.
  void RemoveLeftoversOfEndedOffice(std::optional<int> officePid = std::nullopt);

  const std::filesystem::path profileDir;
  CallWatchdog watchdog;
  OfficeJournal journal;
  // Files our office has opened since it last ended.
  std::set<std::filesystem::path> filesOpened;
  // Workbooks our office has saved, as it left them: such a file is a workbook it reads back unchanged.
  std::map<std::filesystem::path, FileStamp> filesSaved;

 private:
  // Written by the thread of a background start, read by the system's callers.
  std::atomic<bool> parked_ = false;
};

}  // namespace quorvia::workbook::office
