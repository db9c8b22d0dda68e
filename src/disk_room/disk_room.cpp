#include "disk_room/disk_room.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>

namespace quorvia::disk_room {
namespace {

bool IsWritableFolder(const char* folder) {
  struct stat status {};
  return folder != nullptr && *folder != '\0' && stat(folder, &status) == 0 && S_ISDIR(status.st_mode) &&
         access(folder, W_OK | X_OK) == 0;
}

// Below this a disk counts as full: SQLite writes a page (at most 64 KB) at a time, so a disk it filled
// keeps less than a few of them.
constexpr std::int64_t kFullBelow = 1024 * 1024;

}  // namespace

std::string SqliteTemporaryFolder() {
  if (IsWritableFolder(sqlite3_temp_directory)) return sqlite3_temp_directory;
  const std::array<const char*, 5> candidates = {std::getenv("SQLITE_TMPDIR"), std::getenv("TMPDIR"),
                                                 "/var/tmp", "/usr/tmp", "/tmp"};
  for (const char* folder : candidates) {
    if (IsWritableFolder(folder)) return folder;
  }
  return ".";
}

Disk DiskHolding(const std::string& folder) {
  Disk disk{folder, 0, 0};
  struct stat status {};
  if (stat(folder.c_str(), &status) == 0) disk.device = static_cast<std::uint64_t>(status.st_dev);
  struct statvfs room {};
  if (statvfs(folder.c_str(), &room) == 0) {
    // The blocks kept back for the administrator are the running user's only when that is who runs.
    const auto blocks = geteuid() == 0 ? room.f_bfree : room.f_bavail;
    disk.freeBytes = static_cast<std::int64_t>(blocks) * static_cast<std::int64_t>(room.f_frsize);
  }
  return disk;
}

std::optional<Shortfall> MissingRoom(const Disk& fileDisk, const Disk& temporaryDisk,
                                     const RoomNeeded& needed) {
  if (fileDisk.device == temporaryDisk.device) {
    const std::int64_t total = needed.onFileDisk + needed.inTemporaryFolder;
    if (total <= fileDisk.freeBytes) return std::nullopt;
    const auto holds = needed.inTemporaryFolder > 0 ? Shortfall::Holds::both : Shortfall::Holds::file;
    return Shortfall{fileDisk, holds, total - fileDisk.freeBytes};
  }
  if (needed.onFileDisk > fileDisk.freeBytes)
    return Shortfall{fileDisk, Shortfall::Holds::file, needed.onFileDisk - fileDisk.freeBytes};
  if (needed.inTemporaryFolder > temporaryDisk.freeBytes)
    return Shortfall{temporaryDisk, Shortfall::Holds::temporaryFolder,
                     needed.inTemporaryFolder - temporaryDisk.freeBytes};
  return std::nullopt;
}

Shortfall DiskThatFilled(const std::string& fileFolder, const std::string& temporaryFolder) {
  const Disk fileDisk = DiskHolding(fileFolder);
  const Disk temporaryDisk = DiskHolding(temporaryFolder);
  if (fileDisk.device == temporaryDisk.device) return Shortfall{fileDisk, Shortfall::Holds::both, 0};
  if (fileDisk.freeBytes < kFullBelow) return Shortfall{fileDisk, Shortfall::Holds::file, 0};
  return Shortfall{temporaryDisk, Shortfall::Holds::temporaryFolder, 0};
}

std::string DiskName(const Shortfall& shortfall) {
  switch (shortfall.holds) {
    case Shortfall::Holds::temporaryFolder:
      return "the disk holding the temporary folder " + shortfall.disk.folder;
    case Shortfall::Holds::both:
      return "the disk holding " + shortfall.disk.folder + " and the temporary folder " +
             SqliteTemporaryFolder();
    case Shortfall::Holds::file:
      break;
  }
  return "the disk holding " + shortfall.disk.folder;
}

ReadOnlyPart WhatIsReadOnly(const std::string& file) {
  std::error_code error;
  const auto whole = std::filesystem::absolute(file, error);
  const std::string folder = (error ? std::filesystem::path(file) : whole).parent_path().string();
  struct statvfs disk {};
  if (statvfs(folder.c_str(), &disk) == 0 && (disk.f_flag & ST_RDONLY) != 0) return ReadOnlyPart::disk;
  if (access(file.c_str(), W_OK) != 0) return ReadOnlyPart::file;
  if (access(folder.c_str(), W_OK | X_OK) != 0) return ReadOnlyPart::folder;
  return ReadOnlyPart::none;
}

std::int64_t MegabytesUp(std::int64_t bytes) {
  constexpr std::int64_t kMegabyte = 1000 * 1000;
  return bytes <= 0 ? 0 : (bytes + kMegabyte - 1) / kMegabyte;
}

}  // namespace quorvia::disk_room
