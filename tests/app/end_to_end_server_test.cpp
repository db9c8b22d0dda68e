// The main window on a PostgreSQL server, with the demo data loaded into it and a real headless office,
// beside the same window on the same data in an SQLite file: the same labels, figures and reports. Two
// analysts' program folders point at the same server as two roles, and each report shows its own selection.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/form1.h"
#include "demo_database.h"
#include "end_to_end_support.h"
#include "office_demo.h"
#include "office_test_support.h"
#include "pg_test_server.h"
#include "recording_modal_host.h"
#include "report_template.h"
#include "server_import/server_loader.h"
#include "server_import/sqlite_row_source.h"
#include "sqlite_fixture.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::app {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;

class EndToEndServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::TestServer()) return;
    auto demo = quorvia::testing::MakeOfficeDemo({.folderPrefix = "quorvia-e2e-server",
                                                  .officeTag = "e2e_server",
                                                  .database = "file/MOSA_DB.mdb",
                                                  .workbook = "file/MOSA_QUERY.xls"});
    root_ = std::move(demo.root);
    system_ = std::move(demo.system);

    server_ = std::make_unique<testing::ServerDatabase>();
    server_import::SqliteRowSource source(Database());
    server_import::LoadIntoServer(source, server_->AdminConninfo(), {});
    for (const char* analyst : {"alice", "bob"}) {
      const fs::path folder = root_->Path() / analyst;
      fs::create_directories(folder);
      fs::copy_file(root_->Path() / "file" / "MOSA_QUERY.xls", folder / "MOSA_QUERY.xls");
      std::ofstream(folder / "MOSA_DB.pgconn") << server_->Conninfo(server_->AddRole(analyst)) << "\n";
    }
    probeOffice_ = system_->ConnectOrStartOffice();
  }
  static void TearDownTestSuite() {
    probeOffice_.reset();
    system_.reset();
    server_.reset();
    root_.reset();
  }

  void SetUp() override { QUORVIA_REQUIRE_TEST_SERVER(); }

  static std::string Database() { return (root_->Path() / "file" / "MOSA_DB.mdb").string(); }
  static fs::path Folder(const std::string& name) { return root_->Path() / name; }

  std::unique_ptr<Form1> Load(const std::string& folder) {
    auto form = std::make_unique<Form1>(Folder(folder).string(), modals, *system_);
    EXPECT_TRUE(form->Form_Load()) << modals.messages.join("\n").toStdString();
    return form;
  }

  static double SumWhere(const std::string& table, const std::string& condition) {
    return testing::QueryNumber(Database(), "SELECT sum(AREAHA) FROM " + table + " WHERE " + condition);
  }

  // The pivot's grand total and the region on the cover page (B15).
  using Report = WorkbookReport;
  static Report ReadReport(const fs::path& file) { return ReadWorkbookReport(*probeOffice_, file, {"B15"}); }

  // Chooses a NUTS level 2 region by its text and runs UPDATE QUERY; returns Label1.
  QString Update(Form1& form, const QString& region) {
    form.Option2(1)->click();
    const int index = form.Combo2()->findText(region);
    EXPECT_GE(index, 0) << region.toStdString();
    form.Combo2()->setCurrentIndex(index);
    form.Command1()->click();
    form.WaitForRun();
    CloseReport();
    EXPECT_TRUE(modals.messages.isEmpty()) << modals.messages.join("\n").toStdString();
    return form.Label1()->text();
  }

  void AnswerDialog(const QString& unit, const QStringList& items, const QString& prefix) {
    AnswerBatchDialog(modals, unit, items, prefix);
  }

  // One office serves every program folder here, and it knows a report by its file name only: the report of
  // one folder is closed before another folder's runs.
  static void CloseReport() {
    for (int i = probeOffice_->WorkbookCount(); i >= 1; --i) {
      if (probeOffice_->WorkbookName(i) == "MOSA_QUERY.xls") probeOffice_->Close("MOSA_QUERY.xls");
    }
  }

  QStringList Regions(Form1& form) {
    form.Option2(1)->click();
    QStringList regions;
    for (int i = 1; i < form.Combo2()->count(); ++i) regions << form.Combo2()->itemText(i);
    return regions;
  }

  RecordingModalHost modals;

  static std::unique_ptr<office::testing::TempFolder> root_;
  static std::unique_ptr<office::LibreOfficeSystem> system_;
  static std::unique_ptr<testing::ServerDatabase> server_;
  static std::unique_ptr<office::LibreOfficeApplication> probeOffice_;
};

std::unique_ptr<office::testing::TempFolder> EndToEndServerTest::root_;
std::unique_ptr<office::LibreOfficeSystem> EndToEndServerTest::system_;
std::unique_ptr<testing::ServerDatabase> EndToEndServerTest::server_;
std::unique_ptr<office::LibreOfficeApplication> EndToEndServerTest::probeOffice_;

TEST_F(EndToEndServerTest, UpdateAndBatchGiveTheSameLabelsAndReportsAsTheFile) {
  const auto onFile = Load("file");
  const auto onServer = Load("alice");
  EXPECT_EQ(onServer->Label3()->text(), onFile->Label3()->text());
  QStringList fileRegions = Regions(*onFile);
  QStringList serverRegions = Regions(*onServer);
  fileRegions.sort();
  serverRegions.sort();
  ASSERT_EQ(serverRegions, fileRegions);  // the engines list them in their own order
  ASSERT_GE(fileRegions.size(), 3);

  const QString region = fileRegions[1];
  const QString label = Update(*onFile, region);
  EXPECT_EQ(Update(*onServer, region), label);
  const double expected = SumWhere("DATA_AT", "N2 = '" + region.toStdString() + "'");
  EXPECT_EQ(label.split("\r\n").value(1),
            QStringLiteral(" Total Area (Ha): %1").arg(std::floor(expected), 0, 'f', 0));
  const Report fileReport = ReadReport(Folder("file") / "MOSA_QUERY.xls");
  const Report serverReport = ReadReport(Folder("alice") / "MOSA_QUERY.xls");
  EXPECT_NEAR(serverReport.total, expected, 0.01);
  EXPECT_NEAR(fileReport.total, expected, 0.01);
  EXPECT_EQ(serverReport.cover.at("B15"), region.toStdString());

  for (auto* form : {onFile.get(), onServer.get()}) {
    AnswerDialog("Nuts", {fileRegions[0], fileRegions[2]}, "Nuts");
    form->Command2_Click();
    form->WaitForRun();
    CloseReport();
    EXPECT_EQ(form->Label1()->text(), "Tasks finished\r\nSummary: Nuts summary.xls, Nuts summary.csv");
  }
  for (const auto& item : {fileRegions[0], fileRegions[2]}) {
    const std::string copy = "Nuts_" + item.toStdString() + ".xls";
    const double sum = SumWhere("DATA_AT", "N2 = '" + item.toStdString() + "'");
    EXPECT_NEAR(ReadReport(Folder("file") / copy).total, sum, 0.01) << copy;
    EXPECT_NEAR(ReadReport(Folder("alice") / copy).total, sum, 0.01) << copy;
  }
}

TEST_F(EndToEndServerTest, TwoAnalystsReportsEachShowTheirOwnSelection) {
  const auto alice = Load("alice");
  const auto bob = Load("bob");
  const QStringList regions = Regions(*alice);
  ASSERT_GE(regions.size(), 2);
  Update(*alice, regions[0]);
  Update(*bob, regions[1]);
  // Alice's report read Alice's FILTERED, which Bob's later update did not touch: refreshing it again
  // through the window's batch of one item must still give her region.
  AnswerDialog("Nuts", {regions[0]}, "Again");
  alice->Command2_Click();
  alice->WaitForRun();
  CloseReport();
  const double aliceSum = SumWhere("DATA_AT", "N2 = '" + regions[0].toStdString() + "'");
  const double bobSum = SumWhere("DATA_AT", "N2 = '" + regions[1].toStdString() + "'");
  ASSERT_NE(aliceSum, bobSum);
  EXPECT_NEAR(ReadReport(Folder("alice") / "MOSA_QUERY.xls").total, aliceSum, 0.01);
  EXPECT_NEAR(ReadReport(Folder("alice") / ("Again_" + regions[0].toStdString() + ".xls")).total, aliceSum,
              0.01);
  EXPECT_NEAR(ReadReport(Folder("bob") / "MOSA_QUERY.xls").total, bobSum, 0.01);
}

TEST_F(EndToEndServerTest, AnUnreachableServerEndsStartUpWithAMessageNamingIt) {
  const fs::path folder = Folder("away");
  fs::create_directories(folder);
  std::ofstream(folder / "MOSA_DB.pgconn") << "host=/nonexistent dbname=landcover user=nobody\n";
  Form1 form(folder.string(), modals, *system_);
  EXPECT_FALSE(form.Form_Load());
  ASSERT_EQ(modals.messages.size(), 1);
  EXPECT_TRUE(modals.messages[0].contains("MOSA_DB.pgconn")) << modals.messages[0].toStdString();
  EXPECT_TRUE(modals.messages[0].contains("database landcover on server local socket /nonexistent"))
      << modals.messages[0].toStdString();
  EXPECT_FALSE(fs::exists(folder / "MOSA_DB.mdb"));
}

}  // namespace
}  // namespace quorvia::app
