// Loading a server from the program's database file, against the test script's private cluster.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "db/database.h"
#include "db/db_error.h"
#include "db/pg/pg_backend.h"
#include "db/pg/pg_dialect.h"
#include "demo_database.h"
#include "pg_test_server.h"
#include "run_command.h"
#include "server_import/server_loader.h"
#include "server_import/sqlite_row_source.h"
#include "sqlite_fixture.h"

namespace quorvia::server_import {
namespace {

// Every row of every table through the layer, as sorted "table|value|value..." lines: what an analyst's
// queries can see. (Bytes are left out: the engines give them as text differently.)
std::vector<std::string> AllRows(db::Database& database) {
  std::vector<std::string> rows;
  const auto tables = database.ListTableDefs();
  for (int t = 0; t < tables.Count(); ++t) {
    const std::string table = tables.Item(t).Name();
    if (table == "Bin") continue;
    const auto result = database.OpenRecordset("SELECT * FROM " + table);
    for (; !result->Eof(); result->MoveNext()) {
      std::string row = table;
      for (int c = 0; c < result->FieldCount(); ++c) {
        const auto& value = result->Value(result->FieldName(c));
        row += "|" + std::string(value.IsNull() ? "<null>" : value.ToString());
      }
      rows.push_back(row);
    }
  }
  std::ranges::sort(rows);
  return rows;
}

class ServerLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QUORVIA_REQUIRE_TEST_SERVER();
    tools::DemoOptions demo;
    demo.recordsPerCountry = 300;
    tools::WriteDemoDatabase(folder.File("MOSA_DB.mdb"), demo);
    testing::ExecuteSql(folder.File("MOSA_DB.mdb"),
                        "CREATE TABLE Notes (Id INTEGER, Said TEXT, Price NUMERIC);"
                        "INSERT INTO Notes VALUES (1, 'tab\there\\back', 12.5), (2, '', NULL), (3, NULL, 7);"
                        "CREATE TABLE Bin (Raw BLOB); INSERT INTO Bin VALUES (x'00ff'), (x''), (NULL);"
                        "CREATE VIEW FILTERED AS SELECT 1;");
    server = std::make_unique<testing::ServerDatabase>();
  }

  LoadSummary Load(bool replace, std::vector<LoadProgress>* progress = nullptr) {
    SqliteRowSource source(folder.File("MOSA_DB.mdb"));
    LoadOptions options;
    options.replace = replace;
    if (progress) options.progress = [progress](const LoadProgress& step) { progress->push_back(step); };
    return LoadIntoServer(source, server->AdminConninfo(), options);
  }

  testing::TempFolder folder;
  std::unique_ptr<testing::ServerDatabase> server;
};

TEST_F(ServerLoaderTest, TheServerHoldsTheSameRowsAsTheFileAndIndexesTheFilterColumns) {
  std::vector<LoadProgress> progress;
  const LoadSummary summary = Load(false, &progress);
  db::Database file(folder.File("MOSA_DB.mdb"));
  const auto fileRows = AllRows(file);
  EXPECT_EQ(summary.rows, static_cast<std::int64_t>(fileRows.size()) + 3);  // and the three of Bin
  EXPECT_EQ(summary.tables, file.ListTableDefs().Count());
  EXPECT_EQ(summary.storedQueries, 1);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().rowsDoneInAll, progress.back().rowsInAll);

  db::Database onServer(std::make_unique<db::pg::PgBackend>(server->AdminConninfo()));
  const auto serverRows = AllRows(onServer);
  std::vector<std::string> differences;
  std::ranges::set_symmetric_difference(serverRows, fileRows, std::back_inserter(differences));
  EXPECT_TRUE(differences.empty()) << differences.size() << " rows differ, such as " << differences.front();
  EXPECT_EQ(onServer.ListTableDefs().Item(0).Name(), file.ListTableDefs().Item(0).Name());
  EXPECT_EQ(server->Query("SELECT string_agg(coalesce(encode(raw, 'hex'), '-'), ',') FROM bin"), "00ff,,-");
  // The filter columns and the country of a change table are indexed, and the program's comparison uses
  // the index.
  EXPECT_EQ(
      server->Query("SELECT string_agg(c, ',' ORDER BY c) FROM (SELECT substring(indexdef FROM "
                    "'lower\\(+(\\w+) COLLATE \"C\"') AS c FROM pg_indexes WHERE tablename = 'data_at') i"),
      "cstds,dlt,ebkl1ds,ebkl2ds,n0cd,n1,n2,n3,wscode");
  // The planner knows how many rows the country comparison keeps (all of them), and the rows were written
  // frozen, so the first scan after the load has nothing to write.
  const auto countryPlan =
      server->QueryLines("EXPLAIN " + db::pg::ToPostgres("SELECT * FROM DATA_AT WHERE N0CD = \"at\""));
  EXPECT_NE(countryPlan.find("rows=" + server->Query("SELECT count(*) FROM data_at")), std::string::npos)
      << countryPlan;
  EXPECT_EQ(server->Query("SELECT relallvisible = relpages FROM pg_class WHERE relname = 'data_at'"), "t");
  // The change table was written in region order, so that a region's rows share a few pages.
  EXPECT_EQ(
      server->Query("SELECT count(*) FROM (SELECT lower(n3) AS here, lag(lower(n3)) OVER (ORDER BY ctid) "
                    "AS before FROM data_at) r WHERE before > here"),
      "0");
  // A region's index holds the one country of the table, so the country comparison that every query makes
  // is left to it; the planner still knows how many rows the region has.
  server->Execute("SET enable_seqscan = off");
  const auto plan = server->QueryLines(
      "EXPLAIN " +
      db::pg::ToPostgres("SELECT sum(AREAHA) FROM DATA_AT WHERE N0CD = \"AT\" AND N2 = \"at12\""));
  EXPECT_NE(plan.find("Index Scan"), std::string::npos) << plan;
  EXPECT_EQ(plan.find("Filter"), std::string::npos) << plan;
  EXPECT_NE(plan.find("rows=" + server->Query("SELECT count(*) FROM data_at WHERE n2 = 'AT12'") + " "),
            std::string::npos)
      << plan;
  // A whole country is read from a narrow index alone, in group order.
  const auto wholeCountry = server->QueryLines(
      "EXPLAIN " + db::pg::ToPostgres("SELECT change1 as CHANGE, sum(AREAHA) as AREA from DATA_AT where "
                                      "N0CD = \"at\" group by change1"));
  EXPECT_NE(wholeCountry.find("Index Only Scan"), std::string::npos) << wholeCountry;
  EXPECT_EQ(wholeCountry.find("HashAggregate"), std::string::npos) << wholeCountry;
}

TEST_F(ServerLoaderTest, AnExistingTableIsReplacedOnlyWhenAsked) {
  Load(false);
  server->Execute("DELETE FROM data_at");
  try {
    Load(false);
    FAIL() << "loaded over existing tables";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("already holds the tables units_at, data_at"), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(server->Query("SELECT count(*) FROM data_at"), "0");  // nothing written
  Load(true);
  EXPECT_EQ(server->Query("SELECT count(*) FROM data_at"), "300");
}

TEST_F(ServerLoaderTest, AFailingLoadLeavesTheServerAsItWas) {
  // A text in a numeric column: the server refuses it while the last table is copied.
  testing::ExecuteSql(folder.File("MOSA_DB.mdb"),
                      "CREATE TABLE Zlast (Amount REAL); INSERT INTO Zlast VALUES ('many');");
  EXPECT_THROW(Load(false), db::DbError);
  EXPECT_EQ(server->Query("SELECT count(*) FROM pg_class WHERE relname IN ('data_at', 'notes', 'zlast')"),
            "0");
}

using quorvia::testing::RunCommand;

TEST_F(ServerLoaderTest, TheJetSampleOnTheServerHasTheRowsOfItsFileImport) {
  const std::string sample = QUORVIA_ACCESS_SAMPLES "/landcover-sample-jet4.mdb";
  ASSERT_TRUE(std::filesystem::is_regular_file(sample)) << "test data file missing: " << sample;
  const std::string import = QUORVIA_IMPORT_PATH;
  const std::string converted = folder.File("converted.sqlite");
  ASSERT_EQ(RunCommand(import + " '" + sample + "' '" + converted + "' 2>&1").status, 0);

  const auto [output, status] =
      RunCommand(import + " --to '" + server->AdminConninfo() + "' '" + sample + "' 2>&1");
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(output.find("Loaded "), std::string::npos) << output;
  db::Database file(converted);
  db::Database onServer(std::make_unique<db::pg::PgBackend>(server->AdminConninfo()));
  const auto fileRows = AllRows(file);
  EXPECT_GT(fileRows.size(), 100u);
  EXPECT_EQ(AllRows(onServer), fileRows);

  const auto again = RunCommand(import + " --to '" + server->AdminConninfo() + "' '" + sample + "' 2>&1");
  EXPECT_EQ(again.status, 1);
  EXPECT_NE(again.output.find("nothing was written (--replace replaces them)"), std::string::npos)
      << again.output;
}

}  // namespace
}  // namespace quorvia::server_import
