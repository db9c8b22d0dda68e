// Update and batch runs on the same demo data in an SQLite file and on a PostgreSQL server: the same
// figures, labels and FILTERED rows; analysts on the server never touch each other's FILTERED; a broken
// connection keeps the old FILTERED.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

#include "batch_run.h"
#include "database.h"
#include "db_engine.h"
#include "db_error.h"
#include "demo_database.h"
#include "pg_test_server.h"
#include "selections.h"
#include "server_loader.h"
#include "sqlite_fixture.h"
#include "sqlite_row_source.h"
#include "update_run.h"

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

RefreshWorkbookFn Succeeding() {
  return [](const std::string&, const std::string& mode, const SelectionTexts&) {
    workbook::RefreshOutcome outcome;
    if (mode == kRefreshMode) outcome.saved = true;
    if (mode == kCopyMode) outcome.copied = true;
    return outcome;
  };
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
    file = db::DBEngine::Instance().OpenDatabase(files_->File("MOSA_DB.mdb"));
    server = OpenAs(alice_, aliceFolder);
  }

  static std::unique_ptr<db::Database> OpenAs(const std::string& role, const testing::TempFolder& folder) {
    PointFolderAtServer(folder, server_->Conninfo(role));
    return db::DBEngine::Instance().OpenDatabase(folder.File("MOSA_DB.mdb"));
  }

  // The first few distinct values of a units column, as the window's lists hold them.
  std::vector<std::string> UnitValues(const std::string& column, const std::string& country,
                                      std::size_t count) {
    const auto rows = file->OpenRecordset("SELECT DISTINCT " + column + " FROM UNITS_" + country + " WHERE " +
                                          column + " <> \"\"");
    std::vector<std::string> values;
    for (; !rows->Eof() && values.size() < count; rows->MoveNext())
      values.push_back(rows->Value(column).ToString());
    return values;
  }

  // Runs one update on both engines and checks they agree; returns the label.
  std::string ExpectSameUpdate(const Selection& selection) {
    Conditions fileConditions, serverConditions;
    SelectionTexts fileTexts, serverTexts;
    const auto onFile = RunUpdate(*file, selection, fileConditions, fileTexts, Succeeding());
    const auto onServer = RunUpdate(*server, selection, serverConditions, serverTexts, Succeeding());
    EXPECT_EQ(UpdateLabelText(onServer), UpdateLabelText(onFile));
    EXPECT_NEAR(onServer.area.ToDouble(), onFile.area.ToDouble(), 1e-6);
    EXPECT_EQ(SortedRows(*server, "SELECT * FROM FILTERED"), SortedRows(*file, "SELECT * FROM FILTERED"));
    return UpdateLabelText(onFile);
  }

  static std::unique_ptr<testing::TempFolder> files_;
  static std::unique_ptr<testing::ServerDatabase> server_;
  static std::unique_ptr<server_import::SqliteRowSource> server_importSource_;
  static std::string alice_, bob_;

  testing::TempFolder aliceFolder;
  std::unique_ptr<db::Database> file;
  std::unique_ptr<db::Database> server;
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
  region.Combo2 = regions[1];
  // Values compare without regard to letter case on both engines.
  std::ranges::transform(region.Combo2, region.Combo2.begin(),
                         [](unsigned char c) { return std::tolower(c); });
  const std::string label = ExpectSameUpdate(region);
  EXPECT_FALSE(label.starts_with("0 ")) << label;

  Selection narrowed = AllOn("fr france");
  narrowed.option3FirstSelected = false;
  narrowed.Combo6 = UnitValues("DLT", "FR", 1).at(0);
  narrowed.elevationLevelIndex = 1;
  narrowed.Combo3 = UnitValues("EBKL2DS", "FR", 1).at(0);
  ExpectSameUpdate(narrowed);

  Selection nothing = AllOn("AT Oesterreich");
  nothing.Combo4 = "nowhere";
  EXPECT_EQ(ExpectSameUpdate(nothing),
            "0 records selected \r\n Total Area (Ha): \r\n Excel Woorkbook updated successfully !");
}

TEST_F(ServerRunTest, AFaultyQueryFailsOnBothEnginesAndKeepsFiltered) {
  ExpectSameUpdate(AllOn("AT Oesterreich"));
  const Rows before = SortedRows(*server, "SELECT * FROM FILTERED");
  // A country without change1, asked for change1.
  const auto tables = file->ListTableDefs();
  std::string country;
  for (int i = 0; i < tables.Count() && country.empty(); ++i) {
    const auto& table = tables.Item(i);
    bool hasChange1 = false;
    for (int f = 0; f < table.FieldCount(); ++f) hasChange1 |= table.Field(f).Name == "change1";
    if (table.Name().starts_with("DATA_") && !hasChange1) country = table.Name().substr(5);
  }
  ASSERT_FALSE(country.empty()) << "the demo data has no country without change1";
  Conditions conditions;
  SelectionTexts texts;
  EXPECT_THROW(RunUpdate(*file, AllOn(country + " Somewhere"), conditions, texts, Succeeding()), db::DbError);
  EXPECT_THROW(RunUpdate(*server, AllOn(country + " Somewhere"), conditions, texts, Succeeding()),
               db::DbError);
  EXPECT_EQ(SortedRows(*server, "SELECT * FROM FILTERED"), before);
}

TEST_F(ServerRunTest, BatchesGiveTheSameFilteredForEveryItemOnBothEngines) {
  const auto regions = UnitValues("N2", "AT", 3);
  const auto runBatch = [&](db::Database& database) {
    std::vector<Rows> seen;
    const RefreshWorkbookFn recordFiltered = [&](const std::string& copyName, const std::string& mode,
                                                 const SelectionTexts& texts) {
      if (mode == kRefreshMode) seen.push_back(SortedRows(database, "SELECT * FROM FILTERED"));
      return Succeeding()(copyName, mode, texts);
    };
    Conditions conditions;
    SelectionTexts texts;
    const BatchRequest request{"3", kUnitNuts, regions, {true, true, true}, "Run"};
    const BatchWindow window{AllOn("AT Oesterreich"), "N2", "EBKL1DS", [](const std::string&) {}, [](int) {}};
    const auto outcome = RunBatch(database, request, window, conditions, texts, recordFiltered);
    EXPECT_EQ(outcome.processed, 3);
    EXPECT_EQ(outcome.failed, 0);
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
  aliceSelection.Combo2 = regions[0];
  Selection bobSelection = AllOn("AT Oesterreich");
  bobSelection.Combo2 = regions[1];

  const auto updateOften = [](db::Database& database, const Selection& selection) {
    Conditions conditions;
    SelectionTexts texts;
    for (int i = 0; i < 15; ++i) RunUpdate(database, selection, conditions, texts, Succeeding());
  };
  auto bobServer = OpenAs(bob_, bobFolder);
  std::thread bob([&] { updateOften(*bobServer, bobSelection); });
  updateOften(*server, aliceSelection);
  bob.join();

  Conditions conditions;
  SelectionTexts texts;
  RunUpdate(*file, aliceSelection, conditions, texts, Succeeding());
  EXPECT_EQ(SortedRows(*server, "SELECT * FROM FILTERED"), SortedRows(*file, "SELECT * FROM FILTERED"));
  RunUpdate(*file, bobSelection, conditions, texts, Succeeding());
  EXPECT_EQ(SortedRows(*bobServer, "SELECT * FROM FILTERED"), SortedRows(*file, "SELECT * FROM FILTERED"));
  EXPECT_NE(SortedRows(*bobServer, "SELECT * FROM FILTERED"), SortedRows(*server, "SELECT * FROM FILTERED"));
  // Each FILTERED is a view in its role's own schema; nothing else was made.
  EXPECT_EQ(server_->Query("SELECT string_agg(schemaname || '.' || viewname, ',' ORDER BY schemaname) FROM "
                           "pg_views WHERE viewname = 'filtered'"),
            alice_ + ".filtered," + bob_ + ".filtered");
}

TEST_F(ServerRunTest, ALostConnectionDuringTheRewriteIsReportedAndKeepsTheOldFiltered) {
  ExpectSameUpdate(AllOn("AT Oesterreich"));
  const Rows before = SortedRows(*server, "SELECT * FROM FILTERED");

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
  other.Combo6 = UnitValues("DLT", "AT", 1).at(0);
  Conditions conditions;
  SelectionTexts texts;
  bool refreshed = false;
  const RefreshWorkbookFn noteRefresh = [&](const std::string&, const std::string&, const SelectionTexts&) {
    refreshed = true;
    return workbook::RefreshOutcome{};
  };
  try {
    RunUpdate(*server, other, conditions, texts, noteRefresh);
    ADD_FAILURE() << "the update did not fail";
  } catch (const db::DbError& error) {
    EXPECT_EQ(error.Number(), db::kConnectionLost);
    EXPECT_NE(error.Description().find("connection to the database " + server_->Name()), std::string::npos)
        << error.Description();
  }
  terminator.join();
  holder.Execute("COMMIT");
  EXPECT_FALSE(refreshed);
  EXPECT_EQ(SortedRows(*server, "SELECT * FROM FILTERED"), before);  // read over a new connection
  // The next update works again.
  const auto outcome = RunUpdate(*server, other, conditions, texts, Succeeding());
  EXPECT_GT(outcome.recordCount, 0);
}

}  // namespace
}  // namespace quorvia::query
