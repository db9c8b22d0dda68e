// Update and batch runs on the same demo data in an SQLite file and on a PostgreSQL server: the same
// figures, labels and FILTERED rows; analysts on the server never touch each other's FILTERED; a broken
// connection keeps the old FILTERED.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <future>
#include <thread>

#include "db/ascii_case.h"
#include "db/database.h"
#include "db/db_engine.h"
#include "db/db_error.h"
#include "demo_database.h"
#include "fake_spreadsheet.h"
#include "pg_test_server.h"
#include "query/batch_run.h"
#include "query/change_queries.h"
#include "query/query_session.h"
#include "query/whole_country_figures.h"
#include "selections.h"
#include "server_import/server_loader.h"
#include "server_import/sqlite_row_source.h"
#include "sqlite_fixture.h"

namespace quorvia::query {
namespace {

using Rows = std::vector<std::string>;

// Every row of a query through the layer as "value|value|...", sorted: the engines return groups in
// their own order. Numbers are written to 1/1000 so that summing order does not matter.
Rows SortedRows(db::Database& database, const std::string& sql) {
  const auto result = database.OpenRecordset(sql);
  Rows rows;
  for (; !result->Eof(); result->MoveNext()) {
    std::string row;
    for (int c = 0; c < result->FieldCount(); ++c) {
      const auto& value = result->Value(result->FieldName(c));
      char number[64];
      const bool isText = std::holds_alternative<std::string>(value.storage());
      if (!isText && !value.IsNull()) std::snprintf(number, sizeof number, "%.3f", value.ToDouble());
      row += result->FieldName(c) + "=" + (isText || value.IsNull() ? value.ToString() : number) + "|";
    }
    rows.push_back(row);
  }
  std::ranges::sort(rows);
  return rows;
}

// A program folder whose connection file logs in as role.
void PointFolderAtServer(const testing::TempFolder& folder, const std::string& conninfo) {
  std::ofstream(folder.File("MOSA_DB.pgconn")) << conninfo << "\n";
}

class ServerRunTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::TestServer()) return;
    files_ = std::make_unique<testing::TempFolder>();
    tools::DemoOptions demo;
    demo.recordsPerCountry = 600;
    tools::WriteDemoDatabase(files_->File("MOSA_DB.mdb"), demo);
    server_ = std::make_unique<testing::ServerDatabase>();
    server_importSource_ = std::make_unique<server_import::SqliteRowSource>(files_->File("MOSA_DB.mdb"));
    server_import::LoadIntoServer(*server_importSource_, server_->AdminConninfo(), {});
    alice_ = server_->AddRole("alice");
    bob_ = server_->AddRole("bob");
  }
  static void TearDownTestSuite() {
    server_importSource_.reset();
    server_.reset();
    files_.reset();
  }

  void SetUp() override {
    QUORVIA_REQUIRE_TEST_SERVER();
    fileOffice = std::make_unique<workbook::testing::FakeSpreadsheetSystem>();
    serverOffice = std::make_unique<workbook::testing::FakeSpreadsheetSystem>();
    file = std::make_unique<QuerySession>(db::DBEngine::Instance().OpenDatabase(files_->File("MOSA_DB.mdb")),
                                          *fileOffice, files_->str());
    server = std::make_unique<QuerySession>(OpenAs(alice_, aliceFolder), *serverOffice, aliceFolder.str());
  }

  static std::unique_ptr<db::Database> OpenAs(const std::string& role, const testing::TempFolder& folder) {
    PointFolderAtServer(folder, server_->Conninfo(role));
    return db::DBEngine::Instance().OpenDatabase(folder.File("MOSA_DB.mdb"));
  }

  // The first few distinct values of a units column, as the window's lists hold them.
  std::vector<std::string> UnitValues(const std::string& column, const std::string& country,
                                      std::size_t count) {
    const auto rows = file->WorkDb().OpenRecordset("SELECT DISTINCT " + column + " FROM UNITS_" + country +
                                                   " WHERE " + column + " <> \"\"");
    std::vector<std::string> values;
    for (; !rows->Eof() && values.size() < count; rows->MoveNext())
      values.push_back(rows->Value(column).ToString());
    return values;
  }

  static Rows Filtered(QuerySession& session) {
    return SortedRows(session.WorkDb(), "SELECT * FROM FILTERED");
  }

  // The label's figures: its first two lines (the third tells how each folder's report went).
  static std::string Figures(const UpdateOutcome& outcome) {
    return outcome.labelText.substr(0, outcome.labelText.rfind("\r\n"));
  }

  // Runs one update on both engines and checks they agree; returns the figures of the label.
  std::string ExpectSameUpdate(const Selection& selection) {
    const auto onFile = file->Update(selection);
    const auto onServer = server->Update(selection);
    EXPECT_EQ(Figures(onServer), Figures(onFile));
    EXPECT_NEAR(onServer.area.ToDouble(), onFile.area.ToDouble(), 1e-6);
    EXPECT_EQ(Filtered(*server), Filtered(*file));
    return Figures(onFile);
  }

  static std::unique_ptr<testing::TempFolder> files_;
  static std::unique_ptr<testing::ServerDatabase> server_;
  static std::unique_ptr<server_import::SqliteRowSource> server_importSource_;
  static std::string alice_, bob_;

  testing::TempFolder aliceFolder;
  // Made in SetUp: two of them built inline in the fixture's constructor make GCC warn falsely.
  std::unique_ptr<workbook::testing::FakeSpreadsheetSystem> fileOffice, serverOffice;
  std::unique_ptr<QuerySession> file;
  std::unique_ptr<QuerySession> server;
};

std::unique_ptr<testing::TempFolder> ServerRunTest::files_;
std::unique_ptr<testing::ServerDatabase> ServerRunTest::server_;
std::unique_ptr<server_import::SqliteRowSource> ServerRunTest::server_importSource_;
std::string ServerRunTest::alice_, ServerRunTest::bob_;

TEST_F(ServerRunTest, UpdatesGiveTheSameFiguresLabelsAndFilteredRowsOnBothEngines) {
  ExpectSameUpdate(AllOn("AT Oesterreich"));

  const auto regions = UnitValues("N2", "AT", 2);
  ASSERT_EQ(regions.size(), 2u);
  Selection region = AllOn("AT Oesterreich");
  region.nutsLevelIndex = 1;
  region.nutsRegion = regions[1];
  // Values compare without regard to letter case on both engines.
  std::ranges::transform(region.nutsRegion, region.nutsRegion.begin(),
                         [](unsigned char c) { return std::tolower(c); });
  const std::string label = ExpectSameUpdate(region);
  EXPECT_FALSE(label.starts_with("0 ")) << label;

  Selection narrowed = AllOn("fr france");
  narrowed.byReviewedChange = false;
  narrowed.landCover = UnitValues("DLT", "FR", 1).at(0);
  narrowed.elevationLevelIndex = 1;
  narrowed.elevation = UnitValues("EBKL2DS", "FR", 1).at(0);
  ExpectSameUpdate(narrowed);

  Selection nothing = AllOn("AT Oesterreich");
  nothing.watershed = "nowhere";
  EXPECT_EQ(ExpectSameUpdate(nothing), "0 records selected \r\n Total Area (Ha): ");
}

TEST_F(ServerRunTest, AFaultyQueryFailsOnBothEnginesAndKeepsFiltered) {
  ExpectSameUpdate(AllOn("AT Oesterreich"));
  const Rows before = Filtered(*server);
  // A country without change1, asked for change1.
  const auto tables = file->WorkDb().ListTableDefs();
  std::string country;
  for (int i = 0; i < tables.Count() && country.empty(); ++i) {
    const auto& table = tables.Item(i);
    bool hasChange1 = false;
    for (int f = 0; f < table.FieldCount(); ++f) hasChange1 |= table.Field(f).Name == "change1";
    if (table.Name().starts_with("DATA_") && !hasChange1) country = table.Name().substr(5);
  }
  ASSERT_FALSE(country.empty()) << "the demo data has no country without change1";
  EXPECT_THROW(file->Update(AllOn(country + " Somewhere")), db::DbError);
  EXPECT_THROW(server->Update(AllOn(country + " Somewhere")), db::DbError);
  EXPECT_EQ(Filtered(*server), before);
}

TEST_F(ServerRunTest, BatchesGiveTheSameFilteredForEveryItemOnBothEngines) {
  const auto regions = UnitValues("N2", "AT", 3);
  const auto runBatch = [&](QuerySession& session) {
    session.FilterList(FilterOf(FilterId::nutsRegion), "AT", 1);
    auto run = query::StartBatch(
        session,
        {"3", Unit(FilterId::nutsRegion), regions, {true, true, true}, "Run", AllOn("AT Oesterreich")});
    std::vector<Rows> seen;
    while (run.Next()) {
      run.RunItem();
      seen.push_back(Filtered(session));
    }
    EXPECT_EQ(run.Outcome().processed, 3);
    return seen;
  };
  const auto onFile = runBatch(*file);
  ASSERT_EQ(onFile.size(), 3u);
  EXPECT_NE(onFile[0], onFile[1]);
  EXPECT_EQ(runBatch(*server), onFile);
}

TEST_F(ServerRunTest, TwoAnalystsUpdatingAtOnceEachKeepTheirOwnFiltered) {
  testing::TempFolder bobFolder;
  const auto regions = UnitValues("N1", "AT", 2);
  ASSERT_EQ(regions.size(), 2u);
  Selection aliceSelection = AllOn("AT Oesterreich");
  aliceSelection.nutsRegion = regions[0];
  Selection bobSelection = AllOn("AT Oesterreich");
  bobSelection.nutsRegion = regions[1];

  const auto updateOften = [](QuerySession& session, const Selection& selection) {
    for (int i = 0; i < 15; ++i) session.Update(selection);
  };
  const auto bobOffice = std::make_unique<workbook::testing::FakeSpreadsheetSystem>();
  QuerySession bobServer(OpenAs(bob_, bobFolder), *bobOffice, bobFolder.str());
  std::thread bob([&] { updateOften(bobServer, bobSelection); });
  updateOften(*server, aliceSelection);
  bob.join();

  file->Update(aliceSelection);
  EXPECT_EQ(Filtered(*server), Filtered(*file));
  file->Update(bobSelection);
  EXPECT_EQ(Filtered(bobServer), Filtered(*file));
  EXPECT_NE(Filtered(bobServer), Filtered(*server));
  // Each FILTERED is a view in its role's own schema; nothing else was made.
  EXPECT_EQ(server_->Query("SELECT string_agg(schemaname || '.' || viewname, ',' ORDER BY schemaname) FROM "
                           "pg_views WHERE viewname = 'filtered'"),
            alice_ + ".filtered," + bob_ + ".filtered");
}

TEST_F(ServerRunTest, ALostConnectionDuringTheRewriteIsReportedAndKeepsTheOldFiltered) {
  ExpectSameUpdate(AllOn("AT Oesterreich"));
  const Rows before = Filtered(*server);

  // Another session holds the view, so the rewrite waits at dropping it; the server then ends the
  // analyst's connection in the middle of the rewrite.
  db::pg::PgConnection holder(server_->AdminConninfo());
  holder.Execute("BEGIN");
  holder.Execute("LOCK TABLE " + alice_ + ".filtered IN ACCESS SHARE MODE");
  std::thread terminator([&] {
    db::pg::PgConnection admin(server_->AdminConninfo());
    for (int i = 0; i < 200; ++i) {
      const std::string pid = admin.QueryText(
          "SELECT pid FROM pg_stat_activity WHERE usename = $1 AND wait_event_type = 'Lock'", {alice_});
      if (!pid.empty()) {
        admin.Execute("SELECT pg_terminate_backend(" + pid + ")");
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  Selection other = AllOn("AT Oesterreich");
  other.landCover = UnitValues("DLT", "AT", 1).at(0);
  const std::size_t officeCalls = serverOffice->Calls().size();
  try {
    server->Update(other);
    ADD_FAILURE() << "the update did not fail";
  } catch (const db::DbError& error) {
    EXPECT_EQ(error.Number(), db::kConnectionLost);
    EXPECT_NE(error.Description().find("connection to the database " + server_->Name()), std::string::npos)
        << error.Description();
  }
  terminator.join();
  holder.Execute("COMMIT");
  EXPECT_EQ(serverOffice->Calls().size(), officeCalls);  // the report was not touched
  EXPECT_EQ(Filtered(*server), before);                  // read over a new connection
  // The next update works again.
  EXPECT_GT(server->Update(other).recordCount, 0);
}

// Cancel on a server: an update held up by another session's lock on the change table is ended by a
// cancel request, and the analyst's FILTERED and report stay as they were.
TEST_F(ServerRunTest, ACancelRequestEndsAnUpdateOnTheServerAndKeepsFiltered) {
  ExpectSameUpdate(AllOn("AT Oesterreich"));
  const Rows before = Filtered(*server);
  db::pg::PgConnection holder(server_->AdminConninfo());
  holder.Execute("BEGIN");
  holder.Execute("LOCK TABLE data_at IN ACCESS EXCLUSIVE MODE");
  Selection other = AllOn("AT Oesterreich");
  other.landCover = UnitValues("DLT", "AT", 1).at(0);
  const std::size_t officeCalls = serverOffice->Calls().size();

  RunStop stop;
  auto update = std::async(std::launch::async, [&] { return server->Update(other, stop); });
  db::pg::PgConnection admin(server_->AdminConninfo());
  for (int i = 0; i < 200 && admin
                                 .QueryText("SELECT pid FROM pg_stat_activity WHERE usename = $1 AND "
                                            "wait_event_type = 'Lock'",
                                            {alice_})
                                 .empty();
       ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  stop.Request();
  const UpdateOutcome outcome = update.get();
  holder.Execute("COMMIT");
  EXPECT_TRUE(outcome.cancelled) << outcome.labelText;
  EXPECT_EQ(serverOffice->Calls().size(), officeCalls);
  EXPECT_EQ(Filtered(*server), before);
  stop.Reset();
  EXPECT_TRUE(server->Update(other, stop).Done());
}

}  // namespace
}  // namespace quorvia::query

namespace quorvia::query {
namespace {

// A whole country is read as the update reads it (in parts where the engine allows) and as the two
// queries give it read whole on one connection: the same rows and the same total, to the bit, on both
// engines.
TEST_F(ServerRunTest, WholeCountryFiguresAreThoseOfTheQueriesReadWholeOnBothEngines) {
  Conditions conditions;
  BuildCriteria(AllOn("AT Oesterreich"), conditions);
  ASSERT_TRUE(SelectsWholeCountry(conditions));
  const std::string areaSql = AreaQuery("AT", conditions);
  const std::string changeSql = ChangeQuery("AT", conditions.ChangeField, conditions);
  for (QuerySession* session : {file.get(), server.get()}) {
    const auto beside = session->WorkDb().OpenAnother();
    ASSERT_NE(beside, nullptr);
    const auto read =
        ReadFiguresOfUpdate(session->WorkDb(), beside.get(), "AT", conditions, areaSql, changeSql);
    const auto whole = ReadUpdateFigures(session->WorkDb(), nullptr, areaSql, changeSql);
    EXPECT_FALSE(whole.changes.rows.empty());
    EXPECT_EQ(read.changes, whole.changes) << session->WorkDb().Path();
    EXPECT_EQ(read.area.storage(), whole.area.storage()) << session->WorkDb().Path();
  }
}

}  // namespace
}  // namespace quorvia::query
