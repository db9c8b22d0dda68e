#pragma once

#include <filesystem>
#include <set>
#include <string>

namespace quorvia::workbook::office {

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

// Removes the half-written save files ("lu<pid>...tmp") that the ended office `officePid` left beside
// `files`, as CleanUpAfterEndedProcess does for a process of the journal.
void RemoveSaveFilesOfEndedOffice(int officePid, const std::set<std::filesystem::path>& files);

}  // namespace quorvia::workbook::office
