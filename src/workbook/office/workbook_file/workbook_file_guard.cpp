#include "workbook/office/workbook_file/workbook_file_guard.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "file_mode/process_umask.h"
#include "workbook/office/process/canonical_path.h"
#include "workbook/office/process/office_options.h"
#include "workbook/office/process/office_processes.h"
#include "workbook/office/process/office_slots.h"
#include "workbook/office/uno/uno_errors.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/office/workbook_file/log.h"
#include "workbook/refresh_workbook.h"
#include "workbook/spreadsheet_application.h"

namespace quorvia::workbook::office {
namespace fs = std::filesystem;
namespace {

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
    qCDebug(lcOfficeWorkbookFile, "the lock file %s names no profile we can read: %s", lockFile.c_str(),
            CurrentErrorText().c_str());
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

constexpr const char* kTemporaryCopyPrefix = ".~quorvia-copy-";

// A unique, empty file beside the target, readable like any file the user creates. Its name carries our
// process id, so that a later run can tell a leftover of a killed run from a copy under way.
std::string CreateTemporaryBeside(const fs::path& target) {
  // A temporary copy of a process that no longer runs (killed while writing it) is a leftover of ours.
  RemoveFilesOfEndedProcesses(target.parent_path(), kTemporaryCopyPrefix);
  std::string pattern =
      (target.parent_path() / (kTemporaryCopyPrefix + std::to_string(getpid()) + "-XXXXXX")).string();
  const int fd = mkstemp(pattern.data());
  if (fd < 0) {
    throw AutomationError("cannot write in " + target.parent_path().string() + ": " + std::strerror(errno));
  }
  fchmod(fd, file_mode::OrdinaryFileMode());
  close(fd);
  return pattern;
}

// Spreadsheet files begin with the signature of their container: a compound document (.xls) or a zip
// package (.xlsx, .ods).
constexpr unsigned char kCompoundDocument[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr unsigned char kZipPackage[] = {'P', 'K', 0x03, 0x04};

}  // namespace

bool IsLockOfEndedOffice(const fs::path& lockFile) {
  const auto fields = LockFields(lockFile);
  constexpr std::size_t kLogin = 1, kHost = 2, kProfile = 4;
  if (fields.size() <= kProfile) return false;
  if (fields[kLogin] != LoginName() || fields[kHost] != HostName() || fields[kHost].empty()) return false;
  const auto profile = ProfileNamedIn(lockFile);
  if (!profile) return false;
  for (const auto& office : OfficeProcessesOfUser()) {
    const auto url = office.ProfileUrl();
    fs::path used = office.defaultProfile;
    if (url) {
      try {
        used = PathFromFileUrl(ToOUString(*url));
      } catch (...) {
        qCDebug(lcOfficeWorkbookFile, "office %d runs on a profile we cannot read: %s",
                static_cast<int>(office.pid), CurrentErrorText().c_str());
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

std::string LockHolder(const fs::path& lockFile) {
  const auto fields = LockFields(lockFile);
  constexpr std::size_t kLogin = 1, kHost = 2, kTime = 3;
  if (fields.size() <= kTime || fields[kLogin].empty()) return "another program";
  if (fields[kLogin] == LoginName() && fields[kHost] == HostName()) {
    if (const auto profile = ProfileNamedIn(lockFile)) {
      for (const auto& office : OfficeProcessesOfUser()) {
        const auto url = office.ProfileUrl();
        try {
          const fs::path used =
              url ? fs::path(PathFromFileUrl(ToOUString(*url))) : fs::path(office.defaultProfile);
          if (SameProfile(used, *profile)) {
            return "LibreOffice (process " + std::to_string(office.pid) + ", on the profile " +
                   profile->string() + ")";
          }
        } catch (...) {
          qCDebug(lcOfficeWorkbookFile, "office %d runs on a profile we cannot read: %s",
                  static_cast<int>(office.pid), CurrentErrorText().c_str());
        }
      }
    }
  }
  return "LibreOffice of " + fields[kLogin] + " on host " + fields[kHost] + " since " + fields[kTime];
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
      std::error_code error;
      fs::remove(lockFile, error);
      if (error)
        qCWarning(lcOfficeWorkbookFile, "cannot remove the lock file %s: %s", lockFile.c_str(),
                  error.message().c_str());
    }
  } catch (...) {
    qCWarning(lcOfficeWorkbookFile, "cannot check the lock file of %s: %s", document.c_str(),
              CurrentErrorText().c_str());
  }
}

void RequireSpreadsheetFile(const fs::path& file) {
  unsigned char head[sizeof kCompoundDocument] = {};
  std::ifstream in(file, std::ios::binary);
  in.read(reinterpret_cast<char*>(head), sizeof head);
  const auto read = static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0));
  const bool compound =
      read == sizeof head && std::equal(std::begin(kCompoundDocument), std::end(kCompoundDocument), head);
  const bool zip =
      read >= sizeof kZipPackage && std::equal(std::begin(kZipPackage), std::end(kZipPackage), head);
  if (compound || zip) return;
  throw AutomationError(file.filename().string() + (read == 0 ? " is empty" : " is not a spreadsheet file") +
                        "; it is left as it is");
}

std::string WorkbookFileProblem(const fs::path& file) {
  const std::string path = fs::absolute(file).string();
  std::error_code error;
  const auto status = fs::status(file, error);
  if (fs::is_directory(status)) {
    return "the workbook " + path + " is a folder, not a file; move the folder away and " +
           kWriteTemplateAgain;
  }
  if (!fs::is_regular_file(status)) return "the workbook " + path + " does not exist; " + kWriteTemplateAgain;
  try {
    RequireSpreadsheetFile(file);
  } catch (const AutomationError&) {
    return "the workbook " + path + " is not a spreadsheet file; it is left as it is; " + kWriteTemplateAgain;
  }
  // A file without any write permission is read-only by its owner's choice, even for a user (root) whom
  // the system would let write it.
  constexpr auto kAnyWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  if ((status.permissions() & kAnyWrite) == fs::perms::none || ::access(file.c_str(), W_OK) != 0) {
    return "the workbook " + path + " is read-only; make it writable (chmod u+w \"" + path +
           "\") and try again";
  }
  return {};
}

void WriteThroughTemporary(const std::string& step, const fs::path& target,
                           const std::function<void(const std::string&)>& write) {
  // Written under a temporary name and renamed, so a failed copy never leaves a half-written file.
  const std::string temporary = CreateTemporaryBeside(target);
  try {
    write(temporary);
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) throw AutomationError(step + ": " + error.message());
  } catch (...) {
    std::error_code error;
    fs::remove(temporary, error);
    if (error)
      qCWarning(lcOfficeWorkbookFile, "cannot remove the temporary file %s: %s", temporary.c_str(),
                error.message().c_str());
    throw;
  }
}

}  // namespace quorvia::workbook::office
