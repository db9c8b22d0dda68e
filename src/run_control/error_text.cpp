#include "run_control/error_text.h"

#include <filesystem>

#include "disk_room/disk_room.h"

namespace quorvia::run_control {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::string FolderOf(const std::string& file) {
  std::error_code error;
  const auto whole = std::filesystem::absolute(file, error);
  return (error ? std::filesystem::path(file) : whole).parent_path().string();
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

QString ReadOnlyDatabaseText(const std::string& databaseFile) {
  const std::string folder = FolderOf(databaseFile);
  switch (disk_room::WhatIsReadOnly(databaseFile)) {
    case disk_room::ReadOnlyPart::disk:
      return QStringLiteral(
                 "The database %1 is on a disk that is mounted read-only, so Quorvia cannot write FILTERED "
                 "into it. Copy the program folder %2 to a disk you can write to and start Quorvia there, "
                 "or have the disk mounted for writing.")
          .arg(Q(databaseFile), Q(folder));
    case disk_room::ReadOnlyPart::file:
      return QStringLiteral(
                 "The database %1 is read-only, so Quorvia cannot write FILTERED into it. Make the file "
                 "writable (chmod u+w %1, or uncheck read-only in its properties) and run the update again.")
          .arg(Q(databaseFile));
    case disk_room::ReadOnlyPart::folder:
      return QStringLiteral(
                 "The folder %1 is read-only, so Quorvia cannot write FILTERED into the database %2: "
                 "SQLite writes a journal beside the database while it changes it. Make the folder "
                 "writable, or copy the program folder to one you can write to, and run the update again.")
          .arg(Q(folder), Q(databaseFile));
    case disk_room::ReadOnlyPart::none:
      break;
  }
  return QStringLiteral(
             "The database %1 could not be written: it is read-only for Quorvia. Make the file and its "
             "folder %2 writable and run the update again.")
      .arg(Q(databaseFile), Q(folder));
}

QString FullDiskText(const std::string& databaseFile) {
  const auto filled = disk_room::DiskThatFilled(FolderOf(databaseFile), disk_room::SqliteTemporaryFolder());
  QString disk = Q(disk_room::DiskName(filled));
  disk[0] = disk[0].toUpper();
  return QStringLiteral("%1 is full. Free some room there and run the update again.").arg(disk);
}

QString RefusedLoginText(const std::string& serverWords) {
  // Every slot of the server taken, or of the role or database (their CONNECTION LIMIT).
  if (Contains(serverWords, "too many clients") || Contains(serverWords, "connection slots are reserved") ||
      Contains(serverWords, "too many connections for"))
    return QStringLiteral(
        "The server refused the login: the server has no free connection slots; try again, or ask its "
        "administrator.");
  if (Contains(serverWords, "password authentication failed") ||
      Contains(serverWords, "no password supplied"))
    return QStringLiteral(
        "The server refused the login: it did not accept the password. Check the user and password in the "
        "connection file MOSA_DB.pgconn.");
  if (Contains(serverWords, "no pg_hba.conf entry"))
    return QStringLiteral(
        "The server refused the login: it does not let this user in from this computer; ask its "
        "administrator.");
  if (Contains(serverWords, "role \"") && Contains(serverWords, "does not exist"))
    return QStringLiteral(
        "The server refused the login: it knows no such user. Check the user in the connection file "
        "MOSA_DB.pgconn.");
  if (Contains(serverWords, "database \"") && Contains(serverWords, "does not exist"))
    return QStringLiteral(
        "The server refused the login: it holds no such database. Check the database name in the "
        "connection file MOSA_DB.pgconn.");
  if (Contains(serverWords, "is starting up") || Contains(serverWords, "is shutting down") ||
      Contains(serverWords, "in recovery mode"))
    return QStringLiteral("The server is starting up or shutting down; try again in a moment.");
  return QStringLiteral("The server cannot be reached.");
}

}  // namespace quorvia::run_control
