// The main window with the real database layer, the real demo data and a real headless office.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QProcess>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/form1.h"
#include "batch_dialog/form2.h"
#include "demo_database.h"
#include "office_test_support.h"
#include "recording_modal_host.h"
#include "report_template.h"
#include "sqlite_fixture.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::app {
namespace {

namespace fs = std::filesystem;
namespace office = workbook::office;

// One office and one program folder (demo data and template) for the whole suite: starting an office
// costs about a second.
class EndToEndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = std::make_unique<office::testing::TempFolder>("quorvia-e2e");
    system_ = std::make_unique<office::LibreOfficeSystem>(
        office::testing::PrivateOfficeOptions(root_->Path(), "e2e"));
    tools::DemoOptions demo;
    demo.recordsPerCountry = 1500;
    tools::WriteDemoDatabase((root_->Path() / "MOSA_DB.mdb").string(), demo);
    tools::BuildReportTemplate(*system_, (root_->Path() / "MOSA_QUERY.xls").string());
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
  struct Report {
    double total = 0;
    std::map<std::string, std::string> cover;
  };
  static Report ReadReport(const fs::path& file) {
    office::testing::WorkbookProbe probe(*probeOffice_);
    const std::string name = probe.Load(file);
    Report report;
    const auto figures = probe.PivotOutput(name, "Report");
    if (const auto total = figures.find("Total Result"); total != figures.end()) report.total = total->second;
    for (const char* cell : {"B12", "B13", "B15", "B16", "B17", "B18", "B19", "B20"}) {
      report.cover[cell] = probe.CellText(name, "CoverPage", cell);
    }
    return report;
  }

  void AnswerDialog(const QString& unit, const QStringList& items, const QString& prefix) {
    modals.inputAnswer = prefix;
    modals.driveDialog = [=](QDialog& dialog) {
      auto& form2 = dynamic_cast<batch_dialog::Form2&>(dialog);
      form2.List1(0)->findItems(unit, Qt::MatchExactly).front()->setSelected(true);
      form2.Command1_Click();
      for (const auto& item : items) {
        const auto found = form2.List1(1)->findItems(item, Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << item.toStdString();
        found.front()->setSelected(true);
      }
      form2.Command1_Click();
    };
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
  EXPECT_EQ(form->Label1()->text(), "Tasks finished");

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

TEST_F(EndToEndTest, CountryBatchGroupsBeByChange2AndNamesItsSource) {
  AnswerDialog("Country", {"at oesterreich", "be belgique-belgie"}, "Land");
  form->Command2_Click();
  EXPECT_EQ(form->Label1()->text(), "Tasks finished");

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
  EXPECT_EQ(form->Label1()->text(), "Tasks finished");
  const fs::path copy = root_->Path() / "Alps_ch schweiz _ suisse _ svizzera.xls";
  ASSERT_TRUE(fs::exists(copy));
  EXPECT_NEAR(ReadReport(copy).total, testing::QueryNumber(Database(), "SELECT sum(AREAHA) FROM DATA_CH"),
              0.01);
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
    runner->start(QUORVIA_RUN_PATH, {"--folder", QString::fromStdString(folder.string()), "--nuts-level", "2",
                                     "--nuts", region, "--update", "--batch", "Nuts", "--item", region,
                                     "--prefix", "Run"});
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

}  // namespace
}  // namespace quorvia::app
