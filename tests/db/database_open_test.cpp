#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <fstream>

#include "db/db_engine.h"
#include "db/db_error.h"
#include "scratch_database.h"

namespace quorvia::db {
namespace {

DbError OpenError(const std::string& path) {
  try {
    DBEngine::Instance().OpenDatabase(path);
  } catch (const DbError& error) {
    return error;
  }
  return DbError(0, "opened");
}

TEST(DatabaseOpen, MissingFileIsAnErrorAndIsNotCreated) {
  const testing::ScratchDatabase file;
  const std::string missing = file.Folder() + "/NONE.mdb";
  const DbError error = OpenError(missing);
  EXPECT_EQ(error.Number(), SQLITE_CANTOPEN);
  EXPECT_NE(error.Description().find(missing), std::string::npos) << error.Description();
  EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(DatabaseOpen, TextFileIsRefusedAtOpen) {
  const testing::ScratchDatabase file;
  const std::string text = file.Folder() + "/notes.mdb";
  std::ofstream(text) << "These are not the tables you are looking for.\n";
  const DbError error = OpenError(text);
  EXPECT_EQ(error.Number(), SQLITE_NOTADB);
  EXPECT_NE(error.Description().find(text), std::string::npos) << error.Description();
}

TEST(DatabaseOpen, EngineOpensAnExistingFileReadWrite) {
  const testing::ScratchDatabase file;
  auto database = DBEngine::Instance().OpenDatabase(file.Path());
  EXPECT_EQ(&DBEngine::Instance(), &DBEngine::Instance());
  database->CreateQueryDef("Q", "SELECT 1 -- a closing note;");
  EXPECT_EQ(database->GetQueryDefs().Item(0).SQL, "SELECT 1 -- a closing note;");
  EXPECT_EQ(file.RunShell("SELECT * FROM Q"), "1\n");
}

}  // namespace
}  // namespace quorvia::db
