#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvia::disk_room {

// The folder where SQLite writes the temporary files of a sort or a VACUUM, found as SQLite finds it on
// Unix: the folder the program set for it, $SQLITE_TMPDIR, $TMPDIR, /var/tmp, /usr/tmp, /tmp, then the
// current folder. (SQLite reads the variables once, when it starts.)
std::string SqliteTemporaryFolder();

// One disk (file system) that a step writes to: the folder named for it, and its free bytes as the
// running user may fill them.
struct Disk {
  std::string folder;
  std::uint64_t device = 0;
  std::int64_t freeBytes = 0;
};
Disk DiskHolding(const std::string& folder);

// The room a step needs on the disk holding the file and on the one holding the temporary folder. When
// both folders lie on one disk, it needs the sum there.
struct RoomNeeded {
  std::int64_t onFileDisk = 0;
  std::int64_t inTemporaryFolder = 0;
};

// The disk that lacks room for `needed`, with how much more it needs; none when there is room.
struct Shortfall {
  enum class Holds { file, temporaryFolder, both };
  Disk disk;
  Holds holds = Holds::file;
  std::int64_t missingBytes = 0;
};
std::optional<Shortfall> MissingRoom(const Disk& fileDisk, const Disk& temporaryDisk,
                                     const RoomNeeded& needed);

// Which disk filled up when SQLite reported a full disk, judged right after the failure while the file
// and its journal still take what they took: the file's disk when it is (nearly) full, else the disk of
// the temporary folder, whose sort files SQLite has already removed.
Shortfall DiskThatFilled(const std::string& fileFolder, const std::string& temporaryFolder);

// "the disk holding FOLDER", "the disk holding the temporary folder FOLDER", or both.
std::string DiskName(const Shortfall& shortfall);

// What keeps a file from being written as SQLite writes it (the file, and a journal beside it): the disk it
// is on being mounted read-only, the file, or its folder; nothing when all can be written.
enum class ReadOnlyPart { none, disk, file, folder };
ReadOnlyPart WhatIsReadOnly(const std::string& file);

// Whole megabytes, rounded up, for saying how much room is missing.
std::int64_t MegabytesUp(std::int64_t bytes);

}  // namespace quorvia::disk_room
