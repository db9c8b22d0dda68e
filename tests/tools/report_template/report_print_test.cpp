// The printed report: a refreshed workbook exported to PDF by a headless office of its own, as a user's
// print or export would lay it out.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QSizeF>
#include <filesystem>

#include "office_test_support.h"
#include "workbook/refresh_workbook.h"

namespace quorvia::workbook::office::testing {
namespace {

namespace fs = std::filesystem;

QString Run(const QString& program, const QStringList& arguments, const fs::path& home = {}) {
  QProcess process;
  if (!home.empty()) {
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(home.string()));
    process.setProcessEnvironment(environment);
  }
  process.start(program, arguments);
  EXPECT_TRUE(process.waitForFinished(180000)) << program.toStdString();
  const QString output = QString::fromUtf8(process.readAllStandardOutput());
  EXPECT_EQ(process.exitCode(), 0) << program.toStdString() << ": " << output.toStdString()
                                   << process.readAllStandardError().toStdString();
  return output;
}

// Exports every printed sheet of the workbook to a PDF beside it, with the office's command-line converter
// in a profile of its own.
fs::path ExportPdf(const fs::path& workbook, const fs::path& scratch) {
  const auto profile = QString::fromStdString("file://" + (scratch / "convert-profile").string());
  const fs::path home = scratch / "convert-home";
  fs::create_directories(home);
  const QString output = Run(
      "soffice",
      {"-env:UserInstallation=" + profile, "--headless", "--convert-to", "pdf", "--outdir",
       QString::fromStdString(workbook.parent_path().string()), QString::fromStdString(workbook.string())},
      home);
  const fs::path pdf = fs::path(workbook).replace_extension(".pdf");
  EXPECT_TRUE(fs::exists(pdf)) << output.toStdString();
  return pdf;
}

// Width and height of each page, in points.
std::vector<QSizeF> PageSizes(const fs::path& pdf) {
  const QString info = Run("pdfinfo", {"-f", "1", "-l", "1000", QString::fromStdString(pdf.string())});
  static const QRegularExpression page(R"(Page\s+\d+ size:\s+([\d.]+) x ([\d.]+))");
  std::vector<QSizeF> sizes;
  for (auto it = page.globalMatch(info); it.hasNext();) {
    const auto match = it.next();
    sizes.emplace_back(match.captured(1).toDouble(), match.captured(2).toDouble());
  }
  return sizes;
}

QString PageText(const fs::path& pdf, int page) {
  const QString number = QString::number(page);
  return Run("pdftotext", {"-f", number, "-l", number, QString::fromStdString(pdf.string()), "-"});
}

class ReportPrintTest : public OfficeSuite {};

TEST_F(ReportPrintTest, CoverPrintsOnOnePageAndTheReportWithItsWholeChartOnOneLandscapePage) {
  // Eighty change types: a pivot table longer than a page and a chart wider than a portrait one.
  AreaRows rows;
  for (int i = 0; i < 80; ++i) rows.emplace_back("type-" + std::to_string(100 + i), 10.0 + i);
  const auto folder = MakeProgramFolder({{"many", rows}}, "many");
  const QueryTable filtered = FilteredRows(folder / "MOSA_DB.mdb");
  const auto outcome = RefreshWorkbook(System(), folder.string(), "", "Actualitza",
                                       CoverPage{{{"B13", "CH Schweiz / Suisse / Svizzera"},
                                                  {"B15", "All"},
                                                  {"B16", "All"},
                                                  {"B17", "All"},
                                                  {"B18", "All"},
                                                  {"B19", "All"}},
                                                 {"--> FINAL Data", "change2"}},
                                       &filtered);
  ASSERT_TRUE(outcome.saved) << outcome.FirstFailure();

  const fs::path printed = Root() / "printed";
  fs::create_directories(printed);
  fs::copy_file(folder / "MOSA_QUERY.xls", printed / "MOSA_QUERY.xls");
  const fs::path pdf = ExportPdf(printed / "MOSA_QUERY.xls", Root());
  const auto pages = PageSizes(pdf);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_LT(pages[0].width(), pages[0].height());  // the cover, upright
  EXPECT_GT(pages[1].width(), pages[1].height());  // the report, landscape
  EXPECT_TRUE(PageText(pdf, 1).contains("CH Schweiz / Suisse / Svizzera"));
  const QString report = PageText(pdf, 2);
  EXPECT_TRUE(report.contains("type-100") && report.contains("type-179") && report.contains("Total Result"))
      << report.toStdString();
  // The sheet's heading and the chart's title: a chart cut in two would split its title.
  EXPECT_EQ(report.count("Area by change type (ha)"), 2) << report.toStdString();
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
