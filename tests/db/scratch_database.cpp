#include "scratch_database.h"

#include <gtest/gtest.h>

#include <QProcess>

#include "db/sqlite_connection.h"

namespace quorvia::db::testing {

ScratchDatabase::ScratchDatabase(std::string_view schemaSql)
    : path_(folder_.filePath("MOSA_DB.mdb").toStdString()) {
  Execute(schemaSql);
}

std::string ScratchDatabase::Folder() const { return folder_.path().toStdString(); }

void ScratchDatabase::Execute(std::string_view sql) const { ExecuteSql(path_, std::string(sql)); }

std::string ScratchDatabase::RunShell(std::string_view sql) const {
  QProcess shell;
  shell.start("sqlite3", {QString::fromStdString(path_), QString::fromStdString(std::string(sql))});
  EXPECT_TRUE(shell.waitForFinished(30000));
  EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
  return shell.readAllStandardOutput().toStdString();
}

}  // namespace quorvia::db::testing
