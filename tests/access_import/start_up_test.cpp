// Start-up on a program folder whose MOSA_DB.mdb is an Access file: the window's question through the
// modal interface, the headless runner, and a real update on the converted file with a real office.
#include <gtest/gtest.h>

#include <cmath>

#include "app/form1.h"
#include "app/scripted_modal_host.h"
#include "import_test_support.h"
#include "no_office.h"
#include "office_test_support.h"
#include "recording_modal_host.h"
#include "report_template.h"
#include "sqlite_fixture.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::access_import {
namespace {

using namespace testing;
namespace office = workbook::office;

const QString kQuestion =
    "MOSA_DB.mdb is an Access database. Quorvia works on an SQLite copy of it. Convert it now? The original "
    "is "
    "kept as MOSA_DB.access.mdb.";

class WindowStartUp : public ::testing::Test {
 protected:
  WindowStartUp() { folder.Copy("landcover-sample-jet4.mdb", "MOSA_DB.mdb"); }
  std::unique_ptr<app::Form1> MakeForm() {
    return std::make_unique<app::Form1>(folder.Path().string(), modals, noOffice);
  }

  ScratchFolder folder;
  app::RecordingModalHost modals;
  workbook::testing::NoOffice noOffice;
};

TEST_F(WindowStartUp, NoEndsTheProgramAndChangesNothing) {
  const Snapshot before = TakeSnapshot(folder.Path());
  EXPECT_FALSE(MakeForm()->Form_Load());
  EXPECT_EQ(modals.questions, QStringList{kQuestion});
  EXPECT_TRUE(modals.messages.isEmpty());
  EXPECT_EQ(TakeSnapshot(folder.Path()), before);
}

TEST_F(WindowStartUp, YesConvertsWithProgressAndStartUpGoesOnOnTheCopy) {
  modals.yesAnswer = true;
  const auto form = MakeForm();
  ASSERT_TRUE(form->Form_Load()) << modals.messages.join("\n").toStdString();
  EXPECT_EQ(modals.questions.size(), 1);
  EXPECT_TRUE(modals.progressTexts.contains("Converting table DATA_DE (1 of 4): 0 of 1500 rows"))
      << modals.progressTexts.join("\n").toStdString();
  EXPECT_EQ(form->Combo1()->count(), 2);
  EXPECT_EQ(form->Combo1()->currentText(), "DE Deutschland");
  EXPECT_EQ(FileBytes(folder.Path() / "MOSA_DB.access.mdb"), FileBytes(Sample("landcover-sample-jet4.mdb")));
}

TEST_F(WindowStartUp, CancelInTheProgressDialogEndsTheProgramAndChangesNothing) {
  modals.yesAnswer = true;
  modals.cancelAfterReports = 1;
  const Snapshot before = TakeSnapshot(folder.Path());
  EXPECT_FALSE(MakeForm()->Form_Load());
  ASSERT_EQ(modals.messages.size(), 1);
  EXPECT_TRUE(modals.messages[0].contains("cancelled")) << modals.messages[0].toStdString();
  EXPECT_EQ(TakeSnapshot(folder.Path()), before);
}

TEST(RunnerStartUp, WithoutConvertNothingChangesAndWithItTheRunGoesOn) {
  ScratchFolder folder;
  folder.Copy("landcover-sample-jet4.mdb", "MOSA_DB.mdb");
  const Snapshot before = TakeSnapshot(folder.Path());
  const std::string runner =
      std::string(QUORVIA_RUN_PATH) + " --folder " + ShellQuote(folder.Path().string());
  const auto refused = RunCommand(runner + " --lists 2>&1 >/dev/null");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.output.find(kQuestion.toStdString()), std::string::npos) << refused.output;
  EXPECT_EQ(TakeSnapshot(folder.Path()), before);

  const auto converted = RunCommand(runner + " --convert --lists 2>/dev/null");
  EXPECT_EQ(converted.status, 0);
  EXPECT_NE(converted.output.find("  PT Portugal\n"), std::string::npos) << converted.output;
  EXPECT_EQ(FileBytes(folder.Path() / "MOSA_DB.access.mdb"), before.at("MOSA_DB.mdb"));
}

// The sum of AREAHA over the rows of a table whose column equals a value, from mdb-export's text of the
// Access file: a reference that shares no code with the conversion.
double ExportedSum(const fs::path& file, const std::string& table, const std::string& column,
                   const std::string& value) {
  const auto exported = RunCommand("mdb-export -Q -d '\t' " + ShellQuote(file.string()) + " " + table);
  std::istringstream lines(exported.output);
  std::string line;
  std::getline(lines, line);
  std::vector<std::string> header;
  std::istringstream names(line);
  for (std::string name; std::getline(names, name, '\t');) header.push_back(name);
  const auto index = [&](const std::string& name) {
    return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
  };
  double sum = 0;
  while (std::getline(lines, line)) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    fields.resize(header.size());
    if (fields[index(column)] == value) sum += std::strtod(fields[index("AREAHA")].c_str(), nullptr);
  }
  return sum;
}

TEST(ConvertedStartUp, ConvertThenUpdateGivesTheRightFiguresWithARealOffice) {
  ScratchFolder folder;
  folder.Copy("landcover-sample-jet4.mdb", "MOSA_DB.mdb");
  office::testing::TempFolder officeRoot("quorvia-import-office");
  office::LibreOfficeSystem system(office::testing::PrivateOfficeOptions(officeRoot.Path(), "import"));
  tools::BuildReportTemplate(system, (folder.Path() / "MOSA_QUERY.xls").string());

  app::ScriptedModalHost modals(std::nullopt, "Prefix", /*answerYes=*/true);
  app::Form1 form(folder.Path().string(), modals, system);
  ASSERT_TRUE(form.Form_Load());
  form.Option2(1)->click();
  form.Combo2()->setCurrentIndex(1);
  const std::string region = form.Combo2()->currentText().toStdString();
  form.Command1()->click();
  form.WaitForRun();
  EXPECT_FALSE(modals.MessageShown());

  const std::string database = (folder.Path() / "MOSA_DB.mdb").string();
  const double expected =
      quorvia::testing::QueryNumber(database, "SELECT sum(AREAHA) FROM DATA_DE WHERE N2 = '" + region + "'");
  EXPECT_NEAR(expected, ExportedSum(Sample("landcover-sample-jet4.mdb"), "DATA_DE", "N2", region), 1e-6);
  const QStringList lines = form.Label1()->text().split("\r\n");
  ASSERT_EQ(lines.size(), 3) << form.Label1()->text().toStdString();
  EXPECT_EQ(lines[1], QStringLiteral(" Total Area (Ha): %1").arg(std::floor(expected), 0, 'f', 0));
  EXPECT_EQ(lines[2], " Excel Woorkbook updated successfully !");
  EXPECT_EQ(FileBytes(folder.Path() / "MOSA_DB.access.mdb"), FileBytes(Sample("landcover-sample-jet4.mdb")));
}

}  // namespace
}  // namespace quorvia::access_import
