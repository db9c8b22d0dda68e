// The batch summary and the PDFs with the real office, on held-out demo data (a seed no other test uses).
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

#include "batch_summary/summary_book.h"
#include "batch_summary/summary_files.h"
#include "db/db_engine.h"
#include "demo_database.h"
#include "file_bytes.h"
#include "office_test_support.h"
#include "query/batch_run.h"
#include "query/batch_stop.h"
#include "query/query_session.h"
#include "report_template.h"
#include "run_command.h"
#include "selections.h"
#include "sqlite_fixture.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::batch_summary {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;
using quorvia::testing::RunCommand;
using quorvia::testing::ShellQuote;

constexpr std::uint32_t kHeldOutSeed = 290029;

using Rows = std::vector<std::vector<std::string>>;

// The CSV as Python's csv module reads it: the summary is meant for such readers.
Rows ReadCsvWithPython(const fs::path& file) {
  const auto result = RunCommand(
      "python3 -c 'import csv, json, sys; print(json.dumps(list(csv.reader(open(sys.argv[1], newline=\"\", "
      "encoding=\"utf-8\")))))' " +
      ShellQuote(file.string()));
  EXPECT_EQ(result.status, 0);
  Rows rows;
  for (const auto& line : QJsonDocument::fromJson(QByteArray::fromStdString(result.output)).array()) {
    auto& row = rows.emplace_back();
    for (const auto& field : line.toArray()) row.push_back(field.toString().toStdString());
  }
  return rows;
}

using quorvia::testing::FileBytes;

// Area by change1 of the records of one NUTS 2 region, summed by SQLite itself.
std::map<std::string, double> AreasByChange(const fs::path& database, const std::string& region) {
  const db::SqliteConnection connection(database.string(), SQLITE_OPEN_READONLY);
  db::SqliteStatement statement(
      connection.Handle(), "SELECT change1, sum(AREAHA) FROM DATA_AT WHERE N0CD = 'AT' AND N2 = '" + region +
                               "' GROUP BY change1");
  std::map<std::string, double> areas;
  while (statement.Step()) areas[statement.Column(0).ToString()] = statement.Column(1).ToDouble();
  return areas;
}

std::vector<std::string> Regions(const fs::path& database, int count) {
  const db::SqliteConnection connection(database.string(), SQLITE_OPEN_READONLY);
  db::SqliteStatement statement(connection.Handle(),
                                "SELECT DISTINCT N2 FROM DATA_AT ORDER BY N2 LIMIT " + std::to_string(count));
  std::vector<std::string> regions;
  while (statement.Step()) regions.push_back(statement.Column(0).ToString());
  return regions;
}

double Number(const std::string& text) { return text.empty() ? 0.0 : std::stod(text); }

struct Batch {
  query::BatchRequest request;
  query::BatchOutcome outcome;
  std::optional<BatchFiles> files;
};

class SummaryOfficeTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::make_unique<office::testing::TempFolder>("quorvia-summary");
    system_ = std::make_unique<office::LibreOfficeSystem>(
        office::testing::PrivateOfficeOptions(root_->Path(), "summary"));
    tools::DemoOptions demo;
    demo.seed = kHeldOutSeed;
    demo.recordsPerCountry = 1200;
    tools::WriteDemoDatabase((root_->Path() / "held-out.mdb").string(), demo);
    tools::BuildReportTemplate(*system_, (root_->Path() / "template.xls").string());
    probeOffice_ = system_->ConnectOrStartOffice();
  }
  static void TearDownTestSuite() {
    probeOffice_.reset();
    system_.reset();
    root_.reset();
  }

  // A refresh in an office that already runs leaves the report open there; the next test's folder has a
  // report of the same name, which must not be taken for that one.
  void TearDown() override { office::testing::CloseAllNamed(Probe(), "MOSA_QUERY.xls"); }

  fs::path NewFolder() {
    const fs::path folder = root_->Path() / ("folder" + std::to_string(++folders_));
    fs::create_directories(folder);
    fs::copy_file(root_->Path() / "held-out.mdb", folder / "MOSA_DB.mdb");
    fs::copy_file(root_->Path() / "template.xls", folder / "MOSA_QUERY.xls");
    return folder;
  }

  // A batch over NUTS 2 regions of AT, stopped before item `stopBefore` (1-based) when that is given.
  static Batch RunNuts(const fs::path& folder, const std::vector<std::string>& items,
                       const std::string& prefix, int stopBefore = 0, BatchFileOptions options = {}) {
    query::QuerySession session(db::DBEngine::Instance().OpenDatabase((folder / "MOSA_DB.mdb").string()),
                                *system_, folder.string());
    session.FilterList(query::FilterOf(query::FilterId::nutsRegion), "AT", 1);
    query::Selection selection = query::AllOn("AT Oesterreich");
    selection.nutsLevelIndex = 1;
    Batch batch;
    batch.request = {std::to_string(items.size()),          "Nuts", items,
                     std::vector<bool>(items.size(), true), prefix, selection};
    auto run = query::StartBatch(session, batch.request);
    int asked = 0;
    batch.outcome = query::RunBatch(
        run, [](const query::BatchStep&) {}, [&] { return stopBefore > 0 && ++asked >= stopBefore; });
    batch.files = WriteBatchFiles(*system_, folder.string(), batch.request, batch.outcome, options);
    return batch;
  }

  static office::LibreOfficeApplication& Probe() { return *probeOffice_; }

  static std::unique_ptr<office::testing::TempFolder> root_;
  static std::unique_ptr<office::LibreOfficeSystem> system_;
  static std::unique_ptr<office::LibreOfficeApplication> probeOffice_;
  static int folders_;
};

std::unique_ptr<office::testing::TempFolder> SummaryOfficeTest::root_;
std::unique_ptr<office::LibreOfficeSystem> SummaryOfficeTest::system_;
std::unique_ptr<office::LibreOfficeApplication> SummaryOfficeTest::probeOffice_;
int SummaryOfficeTest::folders_ = 0;

TEST_F(SummaryOfficeTest, EveryRowEqualsIndependentSumsAndItsCopysPivotTotal) {
  const fs::path folder = NewFolder();
  const auto regions = Regions(folder / "MOSA_DB.mdb", 4);
  ASSERT_EQ(regions.size(), 4u);
  const Batch batch = RunNuts(folder, regions, "Held");
  ASSERT_TRUE(batch.outcome.Complete()) << batch.outcome.labelText;
  ASSERT_TRUE(batch.files);
  EXPECT_TRUE(batch.files->problems.empty()) << batch.files->problems.front();
  EXPECT_EQ(batch.files->workbook, (folder / "Held summary.xls").string());
  EXPECT_FALSE(batch.files->partial);

  std::map<std::string, std::map<std::string, double>> expected;
  double batchTotal = 0;
  for (const auto& region : regions) {
    expected[region] = AreasByChange(folder / "MOSA_DB.mdb", region);
    for (const auto& [change, area] : expected[region]) batchTotal += area;
  }
  const Rows csv = ReadCsvWithPython(folder / "Held summary.csv");
  ASSERT_EQ(csv.size(), regions.size() + 1);
  const auto& header = csv.front();
  ASSERT_GE(header.size(), 7u);
  EXPECT_EQ(header[0], "Item");
  EXPECT_EQ(header[3], "Total area (ha)");
  EXPECT_EQ(header[header.size() - 3], "Share of batch total (%)");

  office::testing::WorkbookProbe probe(Probe());
  for (std::size_t r = 0; r < regions.size(); ++r) {
    const auto& row = csv[r + 1];
    ASSERT_EQ(row.size(), header.size());
    const auto& areas = expected.at(regions[r]);
    double total = 0;
    for (const auto& [change, area] : areas) total += area;
    EXPECT_EQ(row[0], regions[r]);
    EXPECT_EQ(row[1], "Held_" + regions[r] + ".xls");
    EXPECT_EQ(row[2], std::to_string(areas.size()));
    EXPECT_NEAR(Number(row[3]), total, 0.005) << regions[r];
    for (std::size_t c = 4; c + 3 < header.size(); ++c) {
      const auto found = areas.find(header[c]);
      EXPECT_NEAR(Number(row[c]), found == areas.end() ? 0.0 : found->second, 0.005) << header[c];
    }
    EXPECT_NEAR(Number(row[header.size() - 3]), 100.0 * total / batchTotal, 0.005);
    EXPECT_EQ(row[header.size() - 2], "done");
    // The copy's own pivot total, to the cent.
    const std::string copy = probe.Load(folder / row[1]);
    EXPECT_NEAR(probe.PivotOutput(copy, "Report").at("Total Result"), Number(row[3]), 0.005) << row[1];
  }
  // Every change type of any item has its column, and no other.
  std::set<std::string> changes;
  for (const auto& [region, areas] : expected)
    for (const auto& [change, area] : areas) changes.insert(change);
  EXPECT_EQ(header.size(), 4 + changes.size() + 3);

  // The workbook holds the same rows, and its chart reads every item.
  const std::string book = probe.Load(folder / "Held summary.xls");
  EXPECT_EQ(probe.CellText(book, workbook::kSummaryDataSheet, "A2"), regions[0]);
  EXPECT_EQ(probe.UsedRows(book, workbook::kSummaryDataSheet), static_cast<int>(regions.size()) + 1);
  EXPECT_EQ(probe.ChartRows(book, workbook::kSummaryDataSheet), static_cast<int>(regions.size()));
  EXPECT_EQ(probe.CellText(book, workbook::kSummaryCoverSheet, "B3"), "AT Oesterreich");
}

TEST_F(SummaryOfficeTest, ACancelledBatchGetsAPartialSummaryListingTheItemsNotRun) {
  const fs::path folder = NewFolder();
  const auto regions = Regions(folder / "MOSA_DB.mdb", 3);
  const Batch batch = RunNuts(folder, regions, "Cut", 2);
  ASSERT_EQ(batch.outcome.copies.size(), 1u);
  ASSERT_TRUE(batch.files);
  EXPECT_TRUE(batch.files->partial);
  const Rows csv = ReadCsvWithPython(folder / "Cut summary.csv");
  ASSERT_EQ(csv.size(), 4u);
  const std::size_t state = csv[0].size() - 2;
  EXPECT_EQ(csv[1][state], "done");
  for (int r : {2, 3}) {
    EXPECT_EQ(csv[r][0], regions[r - 1]);
    EXPECT_EQ(csv[r][state], "not run");
    EXPECT_FALSE(csv[r][state + 1].empty());
    EXPECT_EQ(csv[r][3], "");  // no figures for an item not run
  }
  EXPECT_NEAR(Number(csv[1][state - 1]), 100.0, 0.005);

  office::testing::WorkbookProbe probe(Probe());
  const std::string book = probe.Load(folder / "Cut summary.xls");
  bool marked = false;
  for (int row = 3; row < 16; ++row) {
    marked = marked || probe.CellText(book, workbook::kSummaryCoverSheet, "B" + std::to_string(row))
                           .starts_with(kPartialMark);
  }
  EXPECT_TRUE(marked);
  const std::string label = LabelWithSummary(batch.outcome.labelText, *batch.files);
  EXPECT_TRUE(label.starts_with("Stopped: 1 of 3 items done")) << label;
  EXPECT_NE(label.find("\r\nPartial summary: Cut summary.xls, Cut summary.csv"), std::string::npos) << label;
}

TEST_F(SummaryOfficeTest, ASummaryNeverOverwritesAUsersFileOrACopy) {
  const fs::path folder = NewFolder();
  const auto regions = Regions(folder / "MOSA_DB.mdb", 2);
  // An item whose copy takes the name the next batch's summary would have: "P" + "_" + "X summary".
  quorvia::testing::ExecuteSql((folder / "MOSA_DB.mdb").string(),
                               "UPDATE DATA_AT SET N2 = 'X summary' WHERE N2 = '" + regions[0] + "'");
  const Batch first = RunNuts(folder, {"X summary"}, "P", 0, {.summary = false});
  ASSERT_EQ(first.outcome.copies, std::vector<std::string>{"P_X summary"});
  const std::string copyBefore = FileBytes(folder / "P_X summary.xls");
  // And a user's own files under the names of the summary.
  std::ofstream(folder / "P_X summary.csv") << "the user's own";

  const Batch second = RunNuts(folder, {regions[1]}, "P_X");
  ASSERT_TRUE(second.files);
  EXPECT_EQ(second.files->workbook, (folder / "P_X summary (2).xls").string());
  EXPECT_EQ(second.files->csv, (folder / "P_X summary (2).csv").string());
  EXPECT_EQ(FileBytes(folder / "P_X summary.xls"), copyBefore);
  EXPECT_EQ(FileBytes(folder / "P_X summary.csv"), "the user's own");

  // Run again, the batch replaces its own summary and still leaves the other files alone.
  const Batch again = RunNuts(folder, {regions[1]}, "P_X");
  ASSERT_TRUE(again.files);
  EXPECT_EQ(again.files->workbook, (folder / "P_X summary (2).xls").string());
  EXPECT_FALSE(fs::exists(folder / "P_X summary (3).xls"));
  EXPECT_EQ(FileBytes(folder / "P_X summary.xls"), copyBefore);
}

TEST_F(SummaryOfficeTest, AReportPdfIsTheCoverAndALandscapeReportPage) {
  const fs::path folder = NewFolder();
  const auto regions = Regions(folder / "MOSA_DB.mdb", 1);
  const Batch batch = RunNuts(folder, regions, "Pdf", 0, {.summary = true, .pdfCopies = true});
  ASSERT_TRUE(batch.files);
  ASSERT_EQ(batch.files->copyPdfs,
            std::vector<std::string>{(folder / ("Pdf_" + regions[0] + ".pdf")).string()});
  EXPECT_FALSE(batch.files->pdf.empty());
  const std::string pdf = ShellQuote(batch.files->copyPdfs.front());

  EXPECT_NE(RunCommand("pdfinfo " + pdf).output.find("Pages:           2\n"), std::string::npos);
  const std::string sizes = RunCommand("pdfinfo -f 1 -l 2 " + pdf).output;
  double width[2] = {0, 0}, height[2] = {0, 0};
  for (int page : {1, 2}) {
    const auto at = sizes.find("Page    " + std::to_string(page) + " size:");
    ASSERT_NE(at, std::string::npos) << sizes;
    std::sscanf(sizes.c_str() + at + 15, " %lf x %lf", &width[page - 1], &height[page - 1]);
  }
  EXPECT_LT(width[0], height[0]);  // the cover upright
  EXPECT_GT(width[1], height[1]);  // the report across

  double total = 0;
  for (const auto& [change, area] : AreasByChange(folder / "MOSA_DB.mdb", regions[0])) total += area;
  char shown[32];
  std::snprintf(shown, sizeof shown, "%.2f", total);
  std::string text = shown;
  while (text.back() == '0') text.pop_back();  // the pivot shows no trailing zeros
  if (text.back() == '.') text.pop_back();
  const std::string words = RunCommand("pdftotext " + pdf + " -").output;
  EXPECT_NE(words.find(regions[0]), std::string::npos);
  EXPECT_NE(words.find(text), std::string::npos) << text << " not in\n" << words;
}

}  // namespace
}  // namespace quorvia::batch_summary
