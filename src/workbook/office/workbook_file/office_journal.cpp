#include "workbook/office/workbook_file/office_journal.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "workbook/office/process/office_slots.h"
#include "workbook/office/uno/uno_errors.h"
#include "workbook/office/workbook_file/log.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"

namespace quorvia::workbook::office {
namespace fs = std::filesystem;
namespace {

// The office names the temporary file of a save "lu<its pid>...tmp" beside the target. A name that a
// running process's id could equally have produced is left alone.
bool IsSaveFileOfEndedOffice(const std::string& name, const std::string& pid) {
  const std::string prefix = "lu" + pid;
  if (!name.starts_with(prefix) || !name.ends_with(".tmp")) return false;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc", error)) {
    const std::string other = entry.path().filename().string();
    if (other.size() > pid.size() && other.starts_with(pid) && name.starts_with("lu" + other) &&
        std::all_of(other.begin(), other.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      return false;
    }
  }
  return true;
}

void RemoveSaveFilesIn(const std::set<fs::path>& folders, const std::string& office) {
  std::error_code error;
  for (const auto& folder : folders) {
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      if (IsSaveFileOfEndedOffice(entry.path().filename().string(), office)) fs::remove(entry.path(), error);
    }
  }
}

}  // namespace

void RemoveSaveFilesOfEndedOffice(int officePid, const std::set<fs::path>& files) {
  std::set<fs::path> folders;
  for (const auto& file : files) folders.insert(file.parent_path());
  RemoveSaveFilesIn(folders, std::to_string(officePid));
}

void OfficeJournal::Append(const std::string& line) { std::ofstream(file_, std::ios::app) << line << "\n"; }

void OfficeJournal::RecordOffice(int officePid) { Append("office " + std::to_string(officePid)); }

void OfficeJournal::RecordFile(const fs::path& file) {
  if (recorded_.insert(file).second) Append("file " + file.string());
}

void OfficeJournal::TakeOver() {
  try {
    CleanUpAfterEndedProcess();
  } catch (...) {
    // Best effort: a folder that cannot be read keeps what it holds.
    qCWarning(lcOfficeWorkbookFile, "cannot clean up after the process recorded in %s: %s", file_.c_str(),
              CurrentErrorText().c_str());
  }
}

void OfficeJournal::CleanUpAfterEndedProcess() {
  std::ifstream in(file_);
  std::string line;
  long process = 0;
  std::vector<std::string> offices;
  std::vector<fs::path> files;
  while (std::getline(in, line)) {
    if (line.starts_with("process ")) process = std::strtol(line.c_str() + 8, nullptr, 10);
    if (line.starts_with("office ")) offices.push_back(line.substr(7));
    if (line.starts_with("file ")) files.emplace_back(line.substr(5));
  }
  in.close();
  // A process that still runs (this one among them, with another user of the same folders) keeps its record.
  if (process != 0 && !ProcessEnded(process)) return;
  std::set<fs::path> folders;
  for (const auto& file : files) {
    RemoveLeftoverLockFile(file, profileDir_, false);
    folders.insert(file.parent_path());
  }
  for (const auto& office : offices) RemoveSaveFilesIn(folders, office);
  std::error_code error;
  fs::create_directories(file_.parent_path(), error);
  std::ofstream(file_, std::ios::trunc) << "process " << getpid() << "\n";
}

}  // namespace quorvia::workbook::office
