#pragma once

#include <QString>
#include <string>

#include "db/db_error.h"

namespace quorvia::run_control {

namespace detail {

// The name after `marker` in an engine's words, up to the next blank or quote; "" when absent.
inline std::string NameAfter(const std::string& text, const std::string& marker) {
  const auto at = text.find(marker);
  if (at == std::string::npos) return {};
  std::string name;
  for (auto i = at + marker.size(); i < text.size() && text[i] != ' ' && text[i] != '"' && text[i] != '\n';
       ++i) {
    name += text[i];
  }
  return name;
}

}  // namespace detail

// Why SQLite could not write the database file (SQLite's "read-only" errors): which of the file, its folder
// and its disk cannot be written, with the file's whole path and what to do.
QString ReadOnlyDatabaseText(const std::string& databaseFile);
// Which disk filled when SQLite said "database or disk is full": the one holding the database, or the one
// holding the temporary folder where queries sort.
QString FullDiskText(const std::string& databaseFile);
// Why the server did not let the program in, from the server's own words.
QString RefusedLoginText(const std::string& serverWords);

// What went wrong, in plain words: the first line of every message about an engine error. With the
// database file, the problems of the file itself name it.
inline QString PlainDbProblem(const db::DbError& error, const std::string& databaseFile = {}) {
  const std::string& words = error.Description();
  if (error.Number() == db::kConnectionLost) return QStringLiteral("The connection to the server was lost.");
  if (error.Number() == db::kServerUnreachable) return RefusedLoginText(words);
  constexpr int kReadOnly = 8, kFull = 13;  // SQLite's primary codes, under its extended ones
  if ((error.Number() & 0xff) == kReadOnly && !databaseFile.empty())
    return ReadOnlyDatabaseText(databaseFile);
  if ((error.Number() & 0xff) == kFull && !databaseFile.empty()) return FullDiskText(databaseFile);
  if (const auto table = detail::NameAfter(words, "no such table: "); !table.empty()) {
    return QStringLiteral("The database cannot be read: table %1 is missing.")
        .arg(QString::fromStdString(table));
  }
  if (const auto relation = detail::NameAfter(words, "relation \"");
      !relation.empty() && words.find("does not exist") != words.npos) {
    return QStringLiteral("The database cannot be read: table %1 is missing.")
        .arg(QString::fromStdString(relation).toUpper());
  }
  if (const auto column = detail::NameAfter(words, "no such column: "); !column.empty()) {
    return QStringLiteral("The database cannot be read: column %1 is missing.")
        .arg(QString::fromStdString(column));
  }
  if (words.find("file is not a database") != words.npos) {
    return QStringLiteral("The file is not a database that Quorvia can read.");
  }
  if (words.find("database is locked") != words.npos) {
    return QStringLiteral("The database is in use by another program; try again when it has finished.");
  }
  return QStringLiteral("The database reported an error.");
}

// How an engine error is put to the user: in plain words first, then the engine's number and its words.
inline QString ErrorText(const db::DbError& error, const std::string& databaseFile = {}) {
  return PlainDbProblem(error, databaseFile) + QStringLiteral("\n\nError %1: %2")
                                                   .arg(error.Number())
                                                   .arg(QString::fromStdString(error.Description()));
}

}  // namespace quorvia::run_control
