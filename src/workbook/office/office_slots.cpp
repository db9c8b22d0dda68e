#include "workbook/office/office_slots.h"

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

#include "workbook/office/canonical_path.h"
#include "workbook/office/office_options.h"
#include "workbook/office/office_processes.h"
#include "workbook/office/uno_text.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {
namespace fs = std::filesystem;
namespace {

constexpr int kSlotCount = 64;
constexpr const char* kSlotPrefix = "office-";
// The profile folder an office lock file names: its last field is the office's user installation URL.
std::optional<fs::path> ProfileNamedIn(const fs::path& lockFile) {
  std::ifstream in(lockFile);
  std::stringstream text;
  text << in.rdbuf();
  std::string content = text.str();
  while (!content.empty() && (content.back() == '\n' || content.back() == '\r' || content.back() == ';')) {
    content.pop_back();
  }
  const auto comma = content.rfind(',');
  if (comma == std::string::npos) return std::nullopt;
  const std::string url = content.substr(comma + 1);
  if (!url.starts_with("file://")) return std::nullopt;
  try {
    return fs::path(PathFromFileUrl(ToOUString(url)));
  } catch (...) {
    return std::nullopt;
  }
}

// The fields of an office lock file: user name, login, host, time, profile URL; a comma inside a field is
// written with a backslash before it.
std::vector<std::string> LockFields(const fs::path& lockFile) {
  std::ifstream in(lockFile);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<std::string> fields(1);
  const std::string content = text.str();
  for (std::size_t i = 0; i < content.size(); ++i) {
    const char c = content[i];
    if (c == '\\' && i + 1 < content.size()) {
      fields.back() += content[++i];
    } else if (c == ',') {
      fields.emplace_back();
    } else if (c == ';' || c == '\n' || c == '\r') {
      break;
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  return name;
}

std::string LoginName() {
  const passwd* user = getpwuid(getuid());
  return user != nullptr && user->pw_name != nullptr ? user->pw_name : std::string();
}

bool SameProfile(const fs::path& a, const fs::path& b) { return CanonicalPath(a) == CanonicalPath(b); }

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
  } catch (const AutomationError&) {
    return false;
  }
}

bool IsLockOfEndedOffice(const fs::path& lockFile) {
  const auto fields = LockFields(lockFile);
  constexpr std::size_t kLogin = 1, kHost = 2, kProfile = 4;
  if (fields.size() <= kProfile) return false;
  if (fields[kLogin] != LoginName() || fields[kHost] != HostName() || fields[kHost].empty()) return false;
  const auto profile = ProfileNamedIn(lockFile);
  if (!profile) return false;
  for (const auto& office : OfficeProcessesOfUser()) {
    const auto url = office.ProfileUrl();
    fs::path used = UsersOwnProfile();
    if (url) {
      try {
        used = PathFromFileUrl(ToOUString(*url));
      } catch (...) {
        return false;  // a profile we cannot read might be this one
      }
    }
    if (SameProfile(used, *profile)) return false;
  }
  return true;
}

std::optional<fs::path> LiveLockFileOf(const fs::path& document) {
  const fs::path lockFile = OfficeLockFileOf(document);
  std::error_code error;
  if (!fs::exists(fs::symlink_status(lockFile, error))) return std::nullopt;
  if (fs::is_regular_file(lockFile, error) && IsLockOfEndedOffice(lockFile)) {
    fs::remove(lockFile, error);
    if (!error) return std::nullopt;
  }
  return lockFile;
}

fs::path OfficeLockFileOf(const fs::path& document) {
  return document.parent_path() / (".~lock." + document.filename().string() + "#");
}

void RemoveLeftoverLockFile(const fs::path& document, const fs::path& ownProfileDir, bool heldByOwnOffice) {
  // Cleaning up is done on the way, also while an office is ended: it never fails the caller.
  try {
    const fs::path lockFile = OfficeLockFileOf(document);
    if (!fs::is_regular_file(lockFile)) return;
    const auto profile = ProfileNamedIn(lockFile);
    if (!profile) return;
    const bool ours = CanonicalPath(*profile) == CanonicalPath(ownProfileDir);
    if ((ours && !heldByOwnOffice) ||
        (!ours && (OfficeSlot::IsAbandonedProfile(*profile) || IsLockOfEndedOffice(lockFile)))) {
      std::error_code ignored;
      fs::remove(lockFile, ignored);
    }
  } catch (...) {
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

}  // namespace

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
  {
    std::set<fs::path> folders;
    for (const auto& file : files) {
      RemoveLeftoverLockFile(file, profileDir_, false);
      folders.insert(file.parent_path());
    }
    std::error_code error;
    for (const auto& folder : folders) {
      for (const auto& entry : fs::directory_iterator(folder, error)) {
        for (const auto& office : offices) {
          if (IsSaveFileOfEndedOffice(entry.path().filename().string(), office))
            fs::remove(entry.path(), error);
        }
      }
    }
  }
  std::error_code error;
  fs::create_directories(file_.parent_path(), error);
  std::ofstream(file_, std::ios::trunc) << "process " << getpid() << "\n";
}

void RemovePipesOfEndedProcesses(const fs::path& folder) {
  RemoveFilesOfEndedProcesses(
      folder, "OSL_PIPE_" + std::to_string(getuid()) + "_quorvia_office_" + std::to_string(getuid()) + "_");
}

}  // namespace quorvia::workbook::office
