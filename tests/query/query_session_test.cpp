#include <gtest/gtest.h>

#include "db/db_engine.h"
#include "no_office.h"
#include "query/query_session.h"
#include "sqlite_fixture.h"

namespace quorvia::query {
namespace {

TEST(QuerySession, CountryEntriesFollowTheDataTables) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"CREATE TABLE DATA_AT (x); CREATE TABLE DATA_FR (x); CREATE TABLE UNITS_AT (x);",
       {"AT Oesterreich", "FR France"}},
      {"CREATE TABLE DATA_at (x);", {"AT Oesterreich"}},
      {"CREATE TABLE Data_AT (x);", {}},
      {"CREATE TABLE DATA_AT (x); CREATE TABLE DATA_OLD_AT (x);", {"AT Oesterreich", "AT Oesterreich"}},
      {"CREATE TABLE DATA_XX (x); CREATE TABLE DATA_ES (x);", {"ES Espa\u00f1a"}},
  };
  workbook::testing::NoOffice office;
  for (const auto& [sql, expected] : cases) {
    testing::TempFolder folder;
    testing::ExecuteSql(folder.File("MOSA_DB.mdb"), sql);
    const QuerySession session(db::DBEngine::Instance().OpenDatabase(folder.File("MOSA_DB.mdb")), office,
                               folder.str());
    EXPECT_EQ(session.CountryEntries(), expected) << sql;
  }
}

}  // namespace
}  // namespace quorvia::query
