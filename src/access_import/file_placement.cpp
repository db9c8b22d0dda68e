#include "access_import/file_placement.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "access_import/access_header.h"
#include "access_import/isolated_conversion.h"
#include "file_mode/move_no_replace.h"
#include "file_mode/process_umask.h"
#include "file_mode/temporary_file.h"
#include "import_rows/import_error.h"

namespace quorvia::access_import {
namespace {

namespace fs = std::filesystem;

std::string SystemError(const std::string& doing) { return doing + ": " + std::strerror(errno); }

std::string FolderOf(const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  return folder.empty() ? "." : folder.string();
}

// Temporary files are named after the target and the converting process, "." + target + ".converting-"
// + pid + "-" + random letters, so that a later conversion can tell the leftovers of a killed one.
std::string TemporaryPrefix(const std::string& beside) {
  return "." + fs::path(beside).filename().string() + ".converting-";
}

bool ProcessIsGone(const std::string& digits) {
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  const long pid = std::strtol(digits.c_str(), nullptr, 10);
  return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Removes what conversions that were killed left in the folder of `beside`, whatever their target: their
// temporary files and SQLite's journals of them. Only files whose process no longer exists are touched;
// anything else in the folder is kept.
void RemoveLeftoversOfEndedConversions(const std::string& beside) {
  constexpr std::string_view kMarker = ".converting-";
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(FolderOf(beside), error)) {
    const std::string name = entry.path().filename().string();
    const auto marker = name.rfind(kMarker);
    if (!name.starts_with('.') || marker == std::string::npos || marker == 0) continue;
    const std::string rest = name.substr(marker + kMarker.size());
    const auto dash = rest.find('-');
    if (dash == std::string::npos) continue;
    if (ProcessIsGone(rest.substr(0, dash))) fs::remove(entry.path(), error);
  }
}

// A new, empty file in the folder of `beside` that is removed again unless Keep() is called.
file_mode::TemporaryFile TemporaryFileBeside(const std::string& beside) {
  RemoveLeftoversOfEndedConversions(beside);
  try {
    return file_mode::TemporaryFile(FolderOf(beside) + "/" + TemporaryPrefix(beside) +
                                    std::to_string(::getpid()) + "-XXXXXX");
  } catch (const std::system_error& error) {
    throw import_rows::ImportError("Cannot write in the folder " + FolderOf(beside) + ": " +
                                   std::strerror(error.code().value()));
  }
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Converts into the temporary file; messages name the file the user asked for, not the temporary one.
import_rows::ImportSummary ConvertToTemporary(const std::string& source,
                                              const file_mode::TemporaryFile& temporary,
                                              const std::string& shownTarget,
                                              const import_rows::ProgressFn& progress,
                                              const import_rows::CancelFn& cancelled) {
  CheckAccessFile(source);
  try {
    return ConvertInChildProcess(source, temporary.Path(), progress, cancelled);
  } catch (const import_rows::ImportCancelled&) {
    throw;
  } catch (const import_rows::ImportError& error) {
    std::string message = error.what();
    for (std::size_t at; (at = message.find(temporary.Path())) != std::string::npos;) {
      message.replace(at, temporary.Path().size(), shownTarget);
    }
    throw import_rows::ImportError(message);
  }
}

// How the original came to be under its kept name, so that the step can be undone.
enum class Kept { Linked, Moved };

Kept KeepOriginal(const std::string& path, std::string& keptAs) {
  for (int number = 1;; ++number) {
    keptAs = KeptName(path, number);
    // A second name for the same file: the original never leaves `path` until the copy replaces it.
    if (::link(path.c_str(), keptAs.c_str()) == 0) return Kept::Linked;
    if (errno == EEXIST) continue;
    if (file_mode::MoveNoReplace(path, keptAs)) return Kept::Moved;
    if (errno == EEXIST) continue;
    throw import_rows::ImportError(SystemError("Cannot keep the original " + path + " as " + keptAs));
  }
}

}  // namespace

std::string KeptName(const std::string& path, int number) {
  const fs::path file(path);
  std::string name = file.stem().string() + ".access";
  if (number > 1) name += " (" + std::to_string(number) + ")";
  return (file.parent_path() / (name + file.extension().string())).string();
}

std::string FirstFreeKeptName(const std::string& path) {
  for (int number = 1;; ++number) {
    std::string name = KeptName(path, number);
    if (!fs::exists(fs::symlink_status(name))) return name;
  }
}

import_rows::ImportSummary ImportAccessFile(const std::string& source, const std::string& target,
                                            const import_rows::ProgressFn& progress,
                                            const import_rows::CancelFn& cancelled) {
  if (fs::exists(fs::symlink_status(target))) {
    throw import_rows::ImportError("Cannot write " + target + ": the file exists and is not replaced");
  }
  file_mode::TemporaryFile temporary = TemporaryFileBeside(target);
  // mkstemp makes the file private; the database gets the permissions an ordinary new file would.
  temporary.SetMode(file_mode::OrdinaryFileMode());
  const import_rows::ImportSummary summary =
      ConvertToTemporary(source, temporary, target, progress, cancelled);
  if (!file_mode::MoveNoReplace(temporary.Path(), target))
    throw import_rows::ImportError(SystemError("Cannot write " + target));
  temporary.Keep();
  SyncFolder(FolderOf(target));
  return summary;
}

InPlaceConversion ConvertInPlace(const std::string& path, const import_rows::ProgressFn& progress,
                                 const import_rows::CancelFn& cancelled) {
  file_mode::TemporaryFile temporary = TemporaryFileBeside(path);
  struct stat original {};
  if (::stat(path.c_str(), &original) == 0) temporary.SetMode(original.st_mode & 07777);
  InPlaceConversion result;
  result.summary = ConvertToTemporary(path, temporary, path, progress, cancelled);
  const Kept kept = KeepOriginal(path, result.keptAs);
  if (::rename(temporary.Path().c_str(), path.c_str()) != 0) {
    const std::string failure = SystemError("Cannot put the converted database in place of " + path);
    // Undo the first step so the folder is as it was.
    if (kept == Kept::Linked) ::unlink(result.keptAs.c_str());
    if (kept == Kept::Moved) ::rename(result.keptAs.c_str(), path.c_str());
    throw import_rows::ImportError(failure);
  }
  temporary.Keep();
  SyncFolder(FolderOf(path));
  return result;
}

}  // namespace quorvia::access_import
