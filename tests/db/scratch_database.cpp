#include "scratch_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QProcess>
#include <memory>
#include <stdexcept>

namespace quorvia::db::testing {

namespace {

struct Closer {
  void operator()(sqlite3* handle) const noexcept { sqlite3_close(handle); }
};

}  // namespace

ScratchDatabase::ScratchDatabase(std::string_view schemaSql)
    : path_(folder_.filePath("MOSA_DB.mdb").toStdString()) {
  Execute(schemaSql);
}

std::string ScratchDatabase::Folder() const { return folder_.path().toStdString(); }

void ScratchDatabase::Execute(std::string_view sql) const {
  sqlite3* raw = nullptr;
  const int rc = sqlite3_open(path_.c_str(), &raw);
  const std::unique_ptr<sqlite3, Closer> handle(raw);
  if (rc != SQLITE_OK ||
      sqlite3_exec(raw, std::string(sql).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string("scratch database: ") + sqlite3_errmsg(raw));
  }
}

std::string ScratchDatabase::RunShell(std::string_view sql) const {
  QProcess shell;
  shell.start("sqlite3", {QString::fromStdString(path_), QString::fromStdString(std::string(sql))});
  EXPECT_TRUE(shell.waitForFinished(30000));
  EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
  return shell.readAllStandardOutput().toStdString();
}

}  // namespace quorvia::db::testing
