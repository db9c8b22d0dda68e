// The window on a PostgreSQL server that fails under it: a server stopped at once (as by a crash) in the
// middle of an update and of a batch, and a server loaded again with --replace during a batch. The cluster
// is a private one of this suite, so stopping it harms no other test. What is checked is what the user
// sees: the workbook on disk, the label.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "app/form1.h"
#include "db/db_error.h"
#include "db/pg/pg_connection.h"
#include "demo_database.h"
#include "end_to_end_support.h"
#include "file_bytes.h"
#include "office_demo.h"
#include "office_test_support.h"
#include "pg_test_server.h"
#include "recording_modal_host.h"
#include "report_template.h"
#include "run_command.h"
#include "server_import/server_loader.h"
#include "server_import/sqlite_row_source.h"
#include "sqlite_fixture.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::app {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;
using testing::RunCommand;
using testing::ShellQuote;

// The real office, with something done just before the n-th call on the workbook begins: an update makes
// one (its refresh), a batch item two (its refresh and its copy).
class BeforeInstanceSystem final : public workbook::SpreadsheetSystem {
 public:
  explicit BeforeInstanceSystem(office::LibreOfficeSystem& system) : system_(system) {}
  std::unique_ptr<workbook::SpreadsheetApplication> GetRunningInstance() override {
    if (++created_ == at && action) action();
    return system_.GetRunningInstance();
  }
  std::unique_ptr<workbook::SpreadsheetApplication> CreateInstance() override {
    return system_.CreateInstance();
  }
  void WriteSummaryWorkbook(const std::string& path, const workbook::SummaryBook& book) override {
    system_.WriteSummaryWorkbook(path, book);
  }
  // Every run checks the workbook after it has read its rows and before it rewrites FILTERED.
  std::string WorkbookProblem(const std::string& path) override {
    if (++checked_ == checkAt_ && checkAction_) checkAction_();
    return system_.WorkbookProblem(path);
  }
  void DoBefore(int instance, std::function<void()> what) {
    created_ = 0;
    at = instance;
    action = std::move(what);
  }
  void DoBeforeCheck(int check, std::function<void()> what) {
    checked_ = 0;
    checkAt_ = check;
    checkAction_ = std::move(what);
  }

 private:
  office::LibreOfficeSystem& system_;
  int created_ = 0;
  int at = 0;
  std::function<void()> action;
  int checked_ = 0;
  int checkAt_ = 0;
  std::function<void()> checkAction_;
};

using quorvia::testing::FileBytes;

class ServerFaultTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::TestServer()) return;
    auto demo = quorvia::testing::MakeOfficeDemo({.folderPrefix = "quorvia-server-fault",
                                                  .officeTag = "fault",
                                                  .recordsPerCountry = 800,
                                                  .workbook = "template.xls"});
    root_ = std::move(demo.root);
    system_ = std::move(demo.system);
    probeOffice_ = system_->ConnectOrStartOffice();
  }
  static void TearDownTestSuite() {
    probeOffice_.reset();
    system_.reset();
    root_.reset();
  }

  // A cluster of this test alone, loaded with the demo data, and a program folder pointing at it.
  void SetUp() override {
    QUORVIA_REQUIRE_TEST_SERVER();
    const auto started = RunCommand(ShellQuote(kClusterScript) + " start");
    ASSERT_EQ(started.status, 0);
    cluster_ = started.output.substr(0, started.output.find('\n'));
    folder_ = std::make_unique<office::testing::TempFolder>("quorvia-fault-folder");
    fs::copy_file(root_->Path() / "template.xls", Folder() / "MOSA_QUERY.xls");
    std::ofstream(Folder() / "MOSA_DB.pgconn") << Conninfo() << "\n";
    Load(false);
    faulty_ = std::make_unique<BeforeInstanceSystem>(*system_);
    form_ = std::make_unique<Form1>(Folder().string(), modals_, *faulty_);
    ASSERT_TRUE(form_->Form_Load()) << modals_.messages.join("\n").toStdString();
  }
  void TearDown() override {
    form_.reset();
    // The suite's office knows a report by its file name only: the next test's folder has one of its own.
    if (probeOffice_) office::testing::CloseAllNamed(*probeOffice_, "MOSA_QUERY.xls");
    if (!cluster_.empty()) RunCommand(ShellQuote(kClusterScript) + " stop " + ShellQuote(cluster_));
  }

  static std::string Source() { return (root_->Path() / "MOSA_DB.mdb").string(); }
  fs::path Folder() const { return folder_->Path(); }
  std::string Conninfo() const { return "host=" + cluster_ + " port=5432 user=postgres dbname=postgres"; }
  void Load(bool replace) {
    server_import::SqliteRowSource source(Source());
    server_import::LoadOptions options;
    options.replace = replace;
    server_import::LoadIntoServer(source, Conninfo(), options);
  }
  void Crash() { RunCommand(ShellQuote(kClusterScript) + " crash " + ShellQuote(cluster_)); }

  QStringList Regions() {
    form_->Option2(1)->click();
    QStringList regions;
    for (int i = 1; i < form_->Combo2()->count(); ++i) regions << form_->Combo2()->itemText(i);
    return regions;
  }
  void Update(const QString& region) {
    form_->Combo2()->setCurrentIndex(form_->Combo2()->findText(region));
    form_->Command1()->click();
    form_->WaitForRun();
  }
  static double Sum(const QString& region) {
    return testing::QueryNumber(Source(),
                                "SELECT sum(AREAHA) FROM DATA_AT WHERE N2 = '" + region.toStdString() + "'");
  }
  static WorkbookReport Report(const fs::path& file) {
    return ReadWorkbookReport(*probeOffice_, file, {"B15"});
  }
  QString Label() const { return form_->Label1()->text(); }

  static constexpr const char* kClusterScript = QUORVIA_SOURCE_DIR "/scripts/pg-test-cluster.sh";
  static std::unique_ptr<office::testing::TempFolder> root_;
  static std::unique_ptr<office::LibreOfficeSystem> system_;
  static std::unique_ptr<office::LibreOfficeApplication> probeOffice_;
  std::string cluster_;
  std::unique_ptr<office::testing::TempFolder> folder_;
  std::unique_ptr<BeforeInstanceSystem> faulty_;
  RecordingModalHost modals_;
  std::unique_ptr<Form1> form_;
};

std::unique_ptr<office::testing::TempFolder> ServerFaultTest::root_;
std::unique_ptr<office::LibreOfficeSystem> ServerFaultTest::system_;
std::unique_ptr<office::LibreOfficeApplication> ServerFaultTest::probeOffice_;

TEST_F(ServerFaultTest, AServerStoppedInTheMiddleOfAnUpdateLeavesTheReportAsItWas) {
  const QStringList regions = Regions();
  ASSERT_GE(regions.size(), 2);
  Update(regions[0]);
  ASSERT_TRUE(Label().endsWith(" Excel Woorkbook updated successfully !")) << Label().toStdString();
  const std::string before = FileBytes(Folder() / "MOSA_QUERY.xls");

  // The rows are read; FILTERED is not rewritten yet (once it is, the report needs the server no more).
  faulty_->DoBeforeCheck(1, [&] { Crash(); });
  Update(regions[1]);

  EXPECT_FALSE(Label().contains("successfully")) << Label().toStdString();
  EXPECT_FALSE(Label().startsWith("Processing")) << Label().toStdString();
  EXPECT_TRUE(FileBytes(Folder() / "MOSA_QUERY.xls") == before)
      << "cover and figures must stay those of one selection";
  const auto report = Report(Folder() / "MOSA_QUERY.xls");
  EXPECT_EQ(report.cover.at("B15"), regions[0].toStdString());
  EXPECT_NEAR(report.total, Sum(regions[0]), 0.01);
}

TEST_F(ServerFaultTest, AServerStoppedInTheMiddleOfABatchEndsItWithAFinalWord) {
  const QStringList regions = Regions();
  ASSERT_GE(regions.size(), 4);
  const QStringList items = regions.mid(0, 4);
  AnswerBatchDialog(modals_, "Nuts", items, "Run");
  faulty_->DoBeforeCheck(2, [&] { Crash(); });  // the second item, before its rows are read

  form_->Command2_Click();
  form_->WaitForRun();

  const QStringList lines = Label().split("\r\n");
  ASSERT_GE(lines.size(), 2) << Label().toStdString();
  SCOPED_TRACE(Label().toStdString());
  EXPECT_TRUE(lines[0].startsWith("Batch stopped: ")) << lines[0].toStdString();
  EXPECT_TRUE(lines[0].contains(QString::fromStdString(cluster_)))
      << "names the server: " << lines[0].toStdString();
  ASSERT_GE(lines.size(), 3) << Label().toStdString();
  EXPECT_EQ(lines[1], "Partial summary: Run summary.xls, Run summary.csv");
  // The second item fails as its rows are read; the two after it never run.
  EXPECT_TRUE(QRegularExpression("^1 of 4 items done; failed: [^,;]+; not run: [^,;]+, [^,;]+$")
                  .match(lines[2])
                  .hasMatch())
      << lines[2].toStdString();
  EXPECT_TRUE(fs::exists(Folder() / ("Run_" + items[0].toStdString() + ".xls")));
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(fs::exists(Folder() / ("Run_" + items[i].toStdString() + ".xls")));
  // The report is the first item's, cover and figures alike.
  const auto report = Report(Folder() / "MOSA_QUERY.xls");
  EXPECT_EQ(report.cover.at("B15"), items[0].toStdString());
  EXPECT_NEAR(report.total, Sum(items[0]), 0.01);
}

TEST_F(ServerFaultTest, AServerLoadedAgainWithReplaceDuringABatchGetsItsFilteredBack) {
  const QStringList regions = Regions();
  ASSERT_GE(regions.size(), 3);
  const QStringList items = regions.mid(0, 3);
  AnswerBatchDialog(modals_, "Nuts", items, "Again");
  // Between the second item's FILTERED and its refresh: the load drops FILTERED with the tables it reads.
  // The refresh shows the rows the item read; the third item makes FILTERED again.
  faulty_->DoBefore(3, [&] { Load(true); });

  form_->Command2_Click();
  form_->WaitForRun();

  const QStringList lines = Label().split("\r\n");
  SCOPED_TRACE(Label().toStdString());
  ASSERT_GE(lines.size(), 2);
  EXPECT_EQ(lines[0], "Tasks finished");
  EXPECT_EQ(lines[1], "Summary: Again summary.xls, Again summary.csv");
  // Every copy and the report show their item's figures.
  for (const auto& item : {items[0], items[1], items[2]}) {
    const fs::path copy = Folder() / ("Again_" + item.toStdString() + ".xls");
    ASSERT_TRUE(fs::exists(copy)) << copy;
    EXPECT_NEAR(Report(copy).total, Sum(item), 0.01) << copy;
  }
  const auto report = Report(Folder() / "MOSA_QUERY.xls");
  EXPECT_EQ(report.cover.at("B15"), items[2].toStdString());
  EXPECT_NEAR(report.total, Sum(items[2]), 0.01);
}

// A server with few connection slots, all of them taken but the window's own: the update needs a second
// connection, and finds none.
class ServerWithoutFreeSlotsTest : public ServerFaultTest {
 protected:
  void SetUp() override {
    ::setenv("QUORVIA_PG_MAX_CONNECTIONS", "8", 1);
    ServerFaultTest::SetUp();
    ::unsetenv("QUORVIA_PG_MAX_CONNECTIONS");
  }
  // Opens connections until the server refuses one; they are held until the test ends.
  void TakeEveryFreeSlot() {
    for (int i = 0; i < 20; ++i) {
      try {
        held_.push_back(std::make_unique<db::pg::PgConnection>(Conninfo()));
      } catch (const db::DbError&) {
        return;
      }
    }
    FAIL() << "the server took 20 more connections";
  }
  // The program's SQL of FILTERED as the server keeps it, or "" when there is none.
  std::string FilteredOnServer() {
    return held_.front()->QueryText(
        "SELECT coalesce(max(obj_description(c.oid, 'pg_class')), '') FROM pg_class c JOIN pg_namespace n "
        "ON n.oid = c.relnamespace WHERE n.nspname = current_user AND lower(c.relname) = 'filtered'");
  }
  std::vector<std::unique_ptr<db::pg::PgConnection>> held_;
};

TEST_F(ServerWithoutFreeSlotsTest, AnUpdateThatCannotOpenItsConnectionsLeavesFilteredAndTheReportAsTheyWere) {
  const QStringList regions = Regions();
  ASSERT_GE(regions.size(), 2);
  Update(regions[0]);
  ASSERT_TRUE(Label().endsWith(" Excel Woorkbook updated successfully !")) << Label().toStdString();
  const std::string before = FileBytes(Folder() / "MOSA_QUERY.xls");
  // A new window: its first update opens the connection that runs beside its own.
  form_ = std::make_unique<Form1>(Folder().string(), modals_, *faulty_);
  ASSERT_TRUE(form_->Form_Load());
  Regions();
  TakeEveryFreeSlot();
  ASSERT_FALSE(held_.empty());
  const std::string filtered = FilteredOnServer();
  ASSERT_NE(filtered.find(regions[0].toStdString()), std::string::npos) << filtered;

  Update(regions[1]);

  EXPECT_TRUE(Label().startsWith("Update not done")) << Label().toStdString();
  ASSERT_FALSE(modals_.messages.isEmpty());
  EXPECT_EQ(FilteredOnServer(), filtered);
  EXPECT_TRUE(FileBytes(Folder() / "MOSA_QUERY.xls") == before) << "the report changed";
  held_.clear();
  EXPECT_EQ(Report(Folder() / "MOSA_QUERY.xls").cover.at("B15"), regions[0].toStdString());
}

}  // namespace
}  // namespace quorvia::app
