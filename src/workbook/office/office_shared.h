#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "workbook/office/bound_data_sheets.h"
#include "workbook/office/call_watchdog.h"
#include "workbook/office/file_stamp.h"
#include "workbook/office/office_options.h"
#include "workbook/office/office_slots.h"

namespace quorvia::workbook::office {

// What a LibreOfficeSystem shares with the handles it gives out.
struct OfficeShared {
  explicit OfficeShared(const OfficeOptions& options)
      : profileDir(options.profileDir),
        watchdog(options.callTimeout),
        journal(std::filesystem::path(options.homeDir) / "quorvia-office.journal", options.profileDir) {}

  // Our office's lock files beside the files it opened are left behind when it dies; they name this
  // profile, so they are provably ours and are removed.
  void RemoveLeftoversOfEndedOffice();

  const std::filesystem::path profileDir;
  CallWatchdog watchdog;
  BoundSheetReloads reloads;
  OfficeJournal journal;
  // Quit has parked the office this system started: it holds no document, waits for the next
  // "create an instance", and is no running instance until then.
  bool parked = false;
  // Files our office has opened since it last ended.
  std::set<std::filesystem::path> filesOpened;
  // Workbooks our office has saved, as it left them: such a file is a workbook it reads back unchanged.
  std::map<std::filesystem::path, FileStamp> filesSaved;
};

}  // namespace quorvia::workbook::office
