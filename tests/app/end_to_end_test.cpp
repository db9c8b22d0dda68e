// The main window with the real database layer, the real demo data and a real headless office.
#include <gtest/gtest.h>

#include <signal.h>

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include <sqlite3.h>

#include <atomic>

#include "app/form1.h"
#include "db/db_engine.h"
#include "demo_database.h"
#include "end_to_end_support.h"
#include "file_bytes.h"
#include "office_demo.h"
#include "office_test_support.h"
#include "query/batch_run.h"
#include "query/filters.h"
#include "query/query_session.h"
#include "recording_modal_host.h"
#include "report_template.h"
#include "selections.h"
#include "sqlite_fixture.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::app {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;

// The real office, killed through the process id the automation layer knows when the cover page is about
// to show `victim`: after that item's pivot tables were refreshed, before its report is saved.
class OfficeKilledAtItem final : public workbook::SpreadsheetApplication {
 public:
  OfficeKilledAtItem(std::unique_ptr<workbook::SpreadsheetApplication> office,
                     office::LibreOfficeSystem& system, const std::string& victim)
      : office_(std::move(office)), system_(system), victim_(victim) {}

  int WorkbookCount() override { return office_->WorkbookCount(); }
  std::string WorkbookName(int position) override { return office_->WorkbookName(position); }
  void SetVisible(bool visible) override { office_->SetVisible(visible); }
  void OpenWorkbook(const std::string& path, int links) override { office_->OpenWorkbook(path, links); }
  int SheetCount(const std::string& book) override { return office_->SheetCount(book); }
  bool SheetVisible(const std::string& book, int sheet) override {
    return office_->SheetVisible(book, sheet);
  }
  void SelectSheet(const std::string& book, int sheet) override { office_->SelectSheet(book, sheet); }
  int ActiveSheetPosition(const std::string& book) override { return office_->ActiveSheetPosition(book); }
  int ActiveSheetPivotTableCount(const std::string& book) override {
    return office_->ActiveSheetPivotTableCount(book);
  }
  void RefreshActiveSheetPivotTable(const std::string& book, int index) override {
    office_->RefreshActiveSheetPivotTable(book, index);
  }
  void WriteCell(const std::string& book, const std::string& sheet, const std::string& cell,
                 const std::string& text) override {
    if (text == victim_) {
      if (const auto pid = system_.StartedOfficePid()) ::kill(*pid, SIGKILL);
    }
    office_->WriteCell(book, sheet, cell, text);
  }
  void Save(const std::string& book) override { office_->Save(book); }
  void Close(const std::string& book) override { office_->Close(book); }
  void Quit() override { office_->Quit(); }
  void RefreshAll(const std::string& book) override { office_->RefreshAll(book); }
  void SaveCopyAs(const std::string& book, const std::string& path) override {
    office_->SaveCopyAs(book, path);
  }

 private:
  std::unique_ptr<workbook::SpreadsheetApplication> office_;
  office::LibreOfficeSystem& system_;
  const std::string& victim_;
};

class OfficeKilledAtItemSystem final : public workbook::SpreadsheetSystem {
 public:
  explicit OfficeKilledAtItemSystem(office::LibreOfficeSystem& system) : system_(system) {}
  std::unique_ptr<workbook::SpreadsheetApplication> GetRunningInstance() override {
    return Wrap(system_.GetRunningInstance());
  }
  std::unique_ptr<workbook::SpreadsheetApplication> CreateInstance() override {
    return Wrap(system_.CreateInstance());
  }
  std::string victim;

 private:
  std::unique_ptr<workbook::SpreadsheetApplication> Wrap(
      std::unique_ptr<workbook::SpreadsheetApplication> office) {
    if (!office) return nullptr;
    return std::make_unique<OfficeKilledAtItem>(std::move(office), system_, victim);
  }
  office::LibreOfficeSystem& system_;
};

// The real office, held at the start of the n-th report refresh until the test lets it go, so that the
// test can act while the run is inside an item.
class GatedOfficeSystem final : public workbook::SpreadsheetSystem {
 public:
  GatedOfficeSystem(office::LibreOfficeSystem& system, int gateAt) : system_(system), gateAt_(gateAt) {}
  std::unique_ptr<workbook::SpreadsheetApplication> GetRunningInstance() override {
    if (++asked_ == gateAt_) {
      reached = true;
      gate_.wait();
    }
    return system_.GetRunningInstance();
  }
  std::unique_ptr<workbook::SpreadsheetApplication> CreateInstance() override {
    return system_.CreateInstance();
  }
  void WriteSummaryWorkbook(const std::string& path, const workbook::SummaryBook& book) override {
    system_.WriteSummaryWorkbook(path, book);
  }
  void ExportPdf(const std::string& workbookPath, const std::string& pdfPath) override {
    system_.ExportPdf(workbookPath, pdfPath);
  }
  void Release() { release_.set_value(); }
  std::atomic<bool> reached{false};

 private:
  office::LibreOfficeSystem& system_;
  const int gateAt_;
  std::atomic<int> asked_{0};
  std::promise<void> release_;
  std::shared_future<void> gate_ = release_.get_future().share();
};

using quorvia::testing::FileBytes;

// One office and one program folder (demo data and template) for the whole suite: starting an office
// costs about a second.
class EndToEndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    auto demo = quorvia::testing::MakeOfficeDemo({.folderPrefix = "quorvia-e2e", .officeTag = "e2e"});
    root_ = std::move(demo.root);
    system_ = std::move(demo.system);
    // With the office already running, every refresh works in it and leaves the report open: warm runs.
    probeOffice_ = system_->ConnectOrStartOffice();
  }
  static void TearDownTestSuite() {
    probeOffice_.reset();
    system_.reset();
    root_.reset();
  }

  void SetUp() override {
    form = std::make_unique<Form1>(Folder(), modals, *system_);
    ASSERT_TRUE(form->Form_Load());
  }

  static std::string Folder() { return root_->Path().string(); }
  static std::string Database() { return Folder() + "/MOSA_DB.mdb"; }

  // The pivot's grand total and the cover cells of a workbook file, read through the office.
  using Report = WorkbookReport;
  static Report ReadReport(const fs::path& file) {
    return ReadWorkbookReport(*probeOffice_, file, {"B12", "B13", "B15", "B16", "B17", "B18", "B19", "B20"});
  }

  void AnswerDialog(const QString& unit, const QStringList& items, const QString& prefix) {
    AnswerBatchDialog(modals, unit, items, prefix);
  }

  RecordingModalHost modals;
  std::unique_ptr<Form1> form;

  static std::unique_ptr<office::testing::TempFolder> root_;
  static std::unique_ptr<office::LibreOfficeSystem> system_;
  static std::unique_ptr<office::LibreOfficeApplication> probeOffice_;
};

std::unique_ptr<office::testing::TempFolder> EndToEndTest::root_;
std::unique_ptr<office::LibreOfficeSystem> EndToEndTest::system_;
std::unique_ptr<office::LibreOfficeApplication> EndToEndTest::probeOffice_;

TEST_F(EndToEndTest, UpdateRefreshesTheReportWithTheSelectionsFigures) {
  form->Option2(1)->click();
  form->Combo2()->setCurrentIndex(1);
  const std::string region = form->Combo2()->currentText().toStdString();
  form->Command1()->click();
  form->WaitForRun();

  ASSERT_TRUE(modals.messages.isEmpty()) << modals.messages.join("\n").toStdString();
  const QStringList lines = form->Label1()->text().split("\r\n");
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[2], " Excel Woorkbook updated successfully !");
  const double expected =
      testing::QueryNumber(Database(), "SELECT sum(AREAHA) FROM DATA_AT WHERE N2 = '" + region + "'");
  EXPECT_EQ(lines[1], QStringLiteral(" Total Area (Ha): %1").arg(std::floor(expected), 0, 'f', 0));

  const Report report = ReadReport(root_->Path() / "MOSA_QUERY.xls");
  EXPECT_NEAR(report.total, expected, 0.01);
  EXPECT_EQ(report.cover.at("B13"), "AT Oesterreich");
  EXPECT_EQ(report.cover.at("B15"), region);
  EXPECT_EQ(report.cover.at("B12"), "--> FINAL Data");
  EXPECT_EQ(report.cover.at("B20"), "VARDA90 reviewed");
}

TEST_F(EndToEndTest, NutsBatchWritesOneCopyPerRegionWithItsOwnSums) {
  form->Option2(1)->click();
  const QString first = form->Combo2()->itemText(1);
  const QString second = form->Combo2()->itemText(2);
  AnswerDialog("Nuts", {first, second}, "Nuts");
  form->Command2_Click();
  form->WaitForRun();
  EXPECT_EQ(form->Label1()->text(), "Tasks finished\r\nSummary: Nuts summary.xls, Nuts summary.csv");

  for (const auto& region : {first, second}) {
    const fs::path copy = root_->Path() / ("Nuts_" + region.toStdString() + ".xls");
    ASSERT_TRUE(fs::exists(copy)) << copy;
    const Report report = ReadReport(copy);
    EXPECT_NEAR(report.total,
                testing::QueryNumber(
                    Database(), "SELECT sum(AREAHA) FROM DATA_AT WHERE N2 = '" + region.toStdString() + "'"),
                0.01);
    EXPECT_EQ(report.cover.at("B15"), region.toStdString());
  }
}

TEST_F(EndToEndTest, ABatchCancelledInItsFirstItemWritesThatItemsCopyOnly) {
  GatedOfficeSystem gated(*system_, 2);  // the first item's copy
  Form1 window(Folder(), modals, gated);
  ASSERT_TRUE(window.Form_Load());
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.Option2(1)->click();
  const QStringList regions = {window.Combo2()->itemText(1), window.Combo2()->itemText(2),
                               window.Combo2()->itemText(3)};
  AnswerDialog("Nuts", regions, "Stop");
  QTest::keyClick(&window, Qt::Key_B, Qt::ControlModifier);
  for (int wait = 0; wait < 6000 && !gated.reached; ++wait) QTest::qWait(10);
  ASSERT_TRUE(gated.reached);
  QTest::keyClick(&window, Qt::Key_Escape);
  gated.Release();
  window.WaitForRun();

  EXPECT_EQ(window.Label1()->text(), "Stopped: 1 of 3 items done; not run: " + regions[1] + ", " +
                                         regions[2] +
                                         "\r\nPartial summary: Stop summary.xls, Stop summary.csv");
  const fs::path copy = root_->Path() / ("Stop_" + regions[0].toStdString() + ".xls");
  ASSERT_TRUE(fs::exists(copy));
  EXPECT_EQ(ReadReport(copy).cover.at("B15"), regions[0].toStdString());
  for (const auto& region : {regions[1], regions[2]}) {
    EXPECT_FALSE(fs::exists(root_->Path() / ("Stop_" + region.toStdString() + ".xls")));
  }
}

TEST_F(EndToEndTest, CountryBatchGroupsBeByChange2AndNamesItsSource) {
  AnswerDialog("Country", {"at oesterreich", "be belgique-belgie"}, "Land");
  form->Command2_Click();
  form->WaitForRun();
  EXPECT_EQ(form->Label1()->text(), "Tasks finished\r\nSummary: Land summary.xls, Land summary.csv");

  const Report austria = ReadReport(root_->Path() / "Land_at oesterreich.xls");
  EXPECT_EQ(austria.cover.at("B13"), "at oesterreich");
  EXPECT_EQ(austria.cover.at("B20"), "VARDA90 reviewed");
  EXPECT_NEAR(austria.total, testing::QueryNumber(Database(), "SELECT sum(AREAHA) FROM DATA_AT"), 0.01);

  const Report belgium = ReadReport(root_->Path() / "Land_be belgique-belgie.xls");
  EXPECT_EQ(belgium.cover.at("B20"), "Changes database");
  EXPECT_NEAR(belgium.total, testing::QueryNumber(Database(), "SELECT sum(AREAHA) FROM DATA_BE"), 0.01);
}

TEST_F(EndToEndTest, TheSwissEntryGetsAValidCopy) {
  AnswerDialog("Country", {"ch schweiz / suisse / svizzera"}, "Alps");
  form->Command2_Click();
  form->WaitForRun();
  EXPECT_EQ(form->Label1()->text(), "Tasks finished\r\nSummary: Alps summary.xls, Alps summary.csv");
  const fs::path copy = root_->Path() / "Alps_ch schweiz _ suisse _ svizzera.xls";
  ASSERT_TRUE(fs::exists(copy));
  EXPECT_NEAR(ReadReport(copy).total, testing::QueryNumber(Database(), "SELECT sum(AREAHA) FROM DATA_CH"),
              0.01);
}

TEST_F(EndToEndTest, AnItemWhoseOfficeDiedBeforeItsReportWasSavedGetsNoCopy) {
  const office::testing::TempFolder scratch("quorvia-killed");
  const fs::path folder = scratch.Path() / "program";
  fs::create_directory(folder);
  fs::copy_file(root_->Path() / "MOSA_DB.mdb", folder / "MOSA_DB.mdb");
  fs::copy_file(root_->Path() / "MOSA_QUERY.xls", folder / "MOSA_QUERY.xls");
  office::LibreOfficeSystem realOffice(office::testing::PrivateOfficeOptions(scratch.Path(), "killed"));
  OfficeKilledAtItemSystem office(realOffice);
  query::QuerySession session(db::DBEngine::Instance().OpenDatabase((folder / "MOSA_DB.mdb").string()),
                              office, folder.string());
  const auto regions = session.FilterList(query::FilterOf(query::FilterId::nutsRegion), "AT", 1)
                           .entries;  // "All", then the regions
  ASSERT_GE(regions.size(), 3u);
  session.FilterList(query::FilterOf(query::FilterId::elevation), "AT", 0);
  office.victim = regions[2];

  query::Selection selection = query::AllOn("AT Oesterreich");
  selection.nutsLevelIndex = 1;
  const auto outcome =
      query::Batch(session, {"2", "Nuts", {regions[1], regions[2]}, {true, true}, "Killed", selection});

  EXPECT_EQ(outcome.failed, 1);
  // The report file still holds the first item: a copy of it under the second item's name would lie.
  EXPECT_FALSE(fs::exists(folder / ("Killed_" + regions[2] + ".xls")));
  const fs::path first = folder / ("Killed_" + regions[1] + ".xls");
  ASSERT_TRUE(fs::exists(first));
  EXPECT_EQ(ReadReport(first).cover.at("B15"), regions[1]);
}

TEST_F(EndToEndTest, ABatchKeepsAUsersFileAndReplacesOnlyItsOwnEarlierCopy) {
  form->Option2(1)->click();
  const QString region = form->Combo2()->itemText(1);
  const fs::path users = root_->Path() / ("Mine_" + region.toStdString() + ".xls");
  std::ofstream(users) << "the user's own notes";
  for (int run = 0; run < 2; ++run) {
    AnswerDialog("Nuts", {region}, "Mine");
    form->Command2_Click();
    form->WaitForRun();
    EXPECT_EQ(form->Label1()->text(),
              QStringLiteral("Tasks finished\r\nSummary: Mine summary.xls, Mine summary.csv\r\nMine_%1.xls "
                             "kept, the copy is Mine_%1 (2).xls")
                  .arg(region));
  }
  EXPECT_EQ(FileBytes(users), "the user's own notes");
  EXPECT_FALSE(fs::exists(root_->Path() / ("Mine_" + region.toStdString() + " (3).xls")));
  EXPECT_EQ(ReadReport(root_->Path() / ("Mine_" + region.toStdString() + " (2).xls")).cover.at("B15"),
            region.toStdString());
}

// What a run may leave in a folder: nothing but its own files.
std::vector<std::string> Leftovers(const fs::path& folder) {
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with(".~") || (name.starts_with("lu") && name.ends_with(".tmp"))) found.push_back(name);
  }
  return found;
}

TEST_F(EndToEndTest, TwoRunnersAtOnceInTwoFoldersEachUpdateTheirOwnReportAndLeaveNothingBehind) {
  form->Option2(1)->click();
  const std::vector<QString> regions{form->Combo2()->itemText(1), form->Combo2()->itemText(2)};
  const office::testing::TempFolder scratch("quorvia-runners");
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("XDG_CACHE_HOME", (scratch.Path() / "cache").c_str());  // office slots of their own

  std::vector<fs::path> folders;
  std::vector<std::unique_ptr<QProcess>> runners;
  for (const auto& region : regions) {
    const fs::path folder = scratch.Path() / ("program-" + std::to_string(folders.size()));
    fs::create_directories(folder);
    fs::copy_file(Database(), folder / "MOSA_DB.mdb");
    fs::copy_file(root_->Path() / "MOSA_QUERY.xls", folder / "MOSA_QUERY.xls");
    folders.push_back(folder);
    auto& runner = runners.emplace_back(std::make_unique<QProcess>());
    runner->setProcessEnvironment(environment);
    runner->start(QUORVIA_RUN_PATH,
                  {"--folder", QString::fromStdString(folder.string()), "--nuts-level", "2", "--nuts", region,
                   "--update", "--batch", "Nuts", "--item", region, "--prefix", "Run"});
  }
  for (std::size_t i = 0; i < runners.size(); ++i) {
    ASSERT_TRUE(runners[i]->waitForFinished(180'000));
    EXPECT_EQ(runners[i]->exitCode(), 0) << runners[i]->readAll().toStdString();
    const double expected = testing::QueryNumber(
        Database(), "SELECT sum(AREAHA) FROM DATA_AT WHERE N2 = '" + regions[i].toStdString() + "'");
    const Report report = ReadReport(folders[i] / "MOSA_QUERY.xls");
    EXPECT_NEAR(report.total, expected, 0.01);
    EXPECT_EQ(report.cover.at("B15"), regions[i].toStdString());
    const Report copy = ReadReport(folders[i] / ("Run_" + regions[i].toStdString() + ".xls"));
    EXPECT_NEAR(copy.total, expected, 0.01);
    EXPECT_EQ(Leftovers(folders[i]), std::vector<std::string>{});
  }
}

// Counts the runs of statements that read the change rows (the change query's text, or FILTERED, which
// holds that text) on every SQLite connection of this process opened while it lives: the program's, the
// second one of the area query, and the workbook reader's.
class ChangeRowReads {
 public:
  ChangeRowReads() {
    reads_ = 0;
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(&Install));
  }
  ~ChangeRowReads() { sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&Install)); }
  int Count() const { return reads_.load(); }

 private:
  static int Install(sqlite3* handle, const char**, const sqlite3_api_routines*) {
    sqlite3_trace_v2(handle, SQLITE_TRACE_STMT, &OnStatement, nullptr);
    return SQLITE_OK;
  }
  static int OnStatement(unsigned, void*, void* statement, void*) {
    std::string sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement));
    std::ranges::transform(sql, sql.begin(), [](unsigned char c) { return std::toupper(c); });
    const bool select = sql.starts_with("SELECT");
    if (select && (sql.find("GROUP BY") != std::string::npos || sql.find("FILTERED") != std::string::npos))
      ++reads_;
    return 0;
  }
  static inline std::atomic<int> reads_{0};
};

TEST_F(EndToEndTest, AnUpdateAndEachBatchItemReadTheChangeRowsOnce) {
  const ChangeRowReads reads;
  query::QuerySession session(db::DBEngine::Instance().OpenDatabase(Database()), *system_, Folder());
  query::Selection selection = query::AllOn("AT Oesterreich");
  const auto regions = session.FilterList(query::FilterOf(query::FilterId::nutsRegion), "AT", 0)
                           .entries;  // "All", then the level-1 regions
  ASSERT_GE(regions.size(), 3u);
  selection.nutsRegion = regions[1];

  const auto outcome = session.Update(selection);
  ASSERT_TRUE(outcome.Done()) << outcome.labelText;
  EXPECT_EQ(reads.Count(), 1);
  // The figures the report shows are those rows.
  const double expected =
      testing::QueryNumber(Database(), "SELECT sum(AREAHA) FROM DATA_AT WHERE N1 = '" + regions[1] + "'");
  EXPECT_NEAR(ReadReport(root_->Path() / "MOSA_QUERY.xls").total, expected, 0.01);
  EXPECT_EQ(
      outcome.labelText.substr(0, outcome.labelText.find(" records")),
      std::to_string(static_cast<long>(testing::QueryNumber(Database(), "SELECT count(*) FROM FILTERED"))));

  const int readsBeforeBatch = reads.Count();  // the check above read FILTERED too
  query::BatchRequest request;
  request.unit = query::FilterOf(query::FilterId::nutsRegion).unitName;
  request.items = {regions[1], regions[2]};
  request.selected = {true, true};
  request.count = "2";
  request.prefix = "Once";
  request.selection = selection;
  const auto batch = query::Batch(session, request);
  EXPECT_EQ(batch.failed, 0) << (batch.failures.empty() ? "" : batch.failures.front());
  EXPECT_EQ(reads.Count(), readsBeforeBatch + 2);
}

}  // namespace
}  // namespace quorvia::app
