#include <gtest/gtest.h>

#include <QListWidget>
#include <QPointer>
#include <filesystem>
#include <fstream>

#include "app/form1.h"
#include "app/label_colour.h"
#include "app/qt_text.h"
#include "batch_dialog/form2.h"
#include "no_office.h"
#include "recording_modal_host.h"
#include "sqlite_fixture.h"
#include "two_countries.h"

namespace quorvia::app {
namespace {

// AT: FINAL, a Change1 column, list values with gaps. FR: PARTIAL, no change1.
const std::string kTwoCountries = testing::InsertUnits("AT") + R"(
    ('FINAL', 'N1', 'Forests', '> 50 Km from shoreline', 'AT1', 'AT11', 'AT111', 'Lowlands', 'Low a'),
    ('FINAL', '',   'Pastures', '> 50 Km from shoreline', 'AT1', 'AT12', 'AT121', 'Hills', 'Hill a'),
    ('FINAL', NULL, '', NULL, 'AT2', 'AT21', 'AT211', 'Hills', 'Hill b');)" +
                                  testing::AtRecordAndFrance();

std::string TwoCountryTables() {
  std::string sql = testing::CountryTablesSql("AT") + testing::CountryTablesSql("FR", false);
  // The change-type check must not care how the column is written.
  sql.replace(sql.find("change1 TEXT"), 7, "Change1");
  return sql;
}

class Form1Test : public ::testing::Test {
 protected:
  void Load(const std::string& sql) {
    testing::ExecuteSql(folder.File("MOSA_DB.mdb"), sql);
    form = std::make_unique<Form1>(folder.str(), modals, office);
    loaded = form->Form_Load();
  }
  void Choose(int index) {  // as a user picks an entry from the country list
    form->Combo1()->setCurrentIndex(index);
    emit form->Combo1()->activated(index);
  }

  testing::TempFolder folder;
  RecordingModalHost modals;
  workbook::testing::NoOffice office;
  std::unique_ptr<Form1> form;
  bool loaded = false;
};

TEST_F(Form1Test, StartUpChoosesTheFirstCountryAndFillsEveryList) {
  Load(TwoCountryTables() + kTwoCountries);
  ASSERT_TRUE(loaded);
  EXPECT_TRUE(modals.messages.isEmpty()) << modals.messages.join("\n").toStdString();
  EXPECT_EQ(form->windowTitle(), "Quorvia v.5 (September 04)");
  EXPECT_EQ(Entries(form->Combo1()), (QStringList{"AT Oesterreich", "FR France"}));
  EXPECT_EQ(form->Combo1()->currentText(), "AT Oesterreich");
  EXPECT_EQ(form->Label3()->text(), "--> FINAL Data");
  EXPECT_EQ(TextColour(form->Label3()), QColor(0, 128, 0));
  EXPECT_TRUE(form->Option3(0)->isEnabled());
  EXPECT_TRUE(form->Option3(0)->isChecked());
  // Empty and missing values never reach a list; "All" comes first and is shown.
  EXPECT_EQ(Entries(form->Combo2()), (QStringList{"All", "AT1", "AT2"}));
  EXPECT_EQ(Entries(form->Combo4()), (QStringList{"All", "N1"}));
  EXPECT_EQ(Entries(form->Combo5()), (QStringList{"All", "> 50 Km from shoreline"}));
  EXPECT_EQ(Entries(form->Combo6()), (QStringList{"All", "Forests", "Pastures"}));
  for (auto* box : {form->Combo2(), form->Combo3(), form->Combo4(), form->Combo5(), form->Combo6()}) {
    EXPECT_EQ(box->currentText(), "All");
  }
  EXPECT_EQ(form->NutsField(), "N1");
  EXPECT_EQ(form->EbkField(), "EBKL1DS");
}

TEST_F(Form1Test, LayoutFollowsTheFormInPixels) {
  Load(TwoCountryTables() + kTwoCountries);
  EXPECT_EQ(form->size(), QSize(503, 423));
  EXPECT_EQ(form->Combo2()->geometry(), QRect(177, 54, 307, 24));
  EXPECT_EQ(form->Combo6()->parentWidget(), form->Frame(2));
  EXPECT_FALSE(form->Command2()->isVisibleTo(form.get()));
  EXPECT_EQ(form->Command1()->font().pointSizeF(), 12.0);
  EXPECT_EQ(TextColour(form->Label1()), QColor(192, 0, 0));
  EXPECT_TRUE(form->Combo1()->isEditable());
  EXPECT_EQ(form->focusWidget(), form->Combo2());
}

TEST_F(Form1Test, ChoosingACountrySetsStatusAndChangeType) {
  Load(TwoCountryTables() + kTwoCountries);
  form->Option3(1)->setChecked(true);
  Choose(1);
  EXPECT_EQ(form->Label3()->text(), "--> PRELIMINARY Data");
  EXPECT_EQ(TextColour(form->Label3()), QColor(255, 0, 0));
  EXPECT_FALSE(form->Option3(0)->isEnabled());
  EXPECT_TRUE(form->Option3(1)->isChecked());
  EXPECT_EQ(Entries(form->Combo4()), (QStringList{"All", "F1"}));
  Choose(0);  // back to a country with change1: the first change type is selected again
  EXPECT_TRUE(form->Option3(0)->isEnabled());
  EXPECT_TRUE(form->Option3(0)->isChecked());
}

TEST_F(Form1Test, AnUnknownStatusLeavesTheLabelAsItWas) {
  Load(TwoCountryTables() + kTwoCountries + "UPDATE UNITS_FR SET STATUS = 'partial';");
  Choose(1);
  EXPECT_EQ(form->Label3()->text(), "--> FINAL Data");
}

TEST_F(Form1Test, LevelButtonsRefillOnlyTheirOwnBox) {
  Load(TwoCountryTables() + kTwoCountries);
  const QStringList elevation = Entries(form->Combo3());
  const QStringList watershed = Entries(form->Combo4());
  form->Option2(2)->click();
  EXPECT_EQ(Entries(form->Combo2()), (QStringList{"All", "AT111", "AT121", "AT211"}));
  EXPECT_EQ(form->NutsField(), "N3");
  EXPECT_EQ(Entries(form->Combo3()), elevation);
  EXPECT_EQ(Entries(form->Combo4()), watershed);

  const QStringList nuts = Entries(form->Combo2());
  form->Option1(1)->click();
  EXPECT_EQ(Entries(form->Combo3()), (QStringList{"All", "Low a", "Hill a", "Hill b"}));
  EXPECT_EQ(form->EbkField(), "EBKL2DS");
  EXPECT_EQ(Entries(form->Combo2()), nuts);
}

TEST_F(Form1Test, ClickingTheSelectedLevelButtonRefillsItsBox) {
  Load(TwoCountryTables() + kTwoCountries);
  form->Combo2()->setCurrentIndex(1);
  form->Combo3()->setCurrentIndex(2);
  form->Combo2()->removeItem(2);
  form->Option2(0)->click();  // L1 is already selected
  EXPECT_EQ(form->Combo2()->currentText(), "All");
  EXPECT_EQ(Entries(form->Combo2()), (QStringList{"All", "AT1", "AT2"}));
  form->Option1(0)->click();
  EXPECT_EQ(form->Combo3()->currentText(), "All");
}

TEST_F(Form1Test, OneUserActionRunsTheSelectionOnce) {
  // FR has no unit table, so every run of the selection reports one error.
  Load(testing::CountryTablesSql("AT") + testing::InsertUnits("AT") +
       "('FINAL','W','D','C','AT1','AT11','AT111','E1','E2');"
       "CREATE TABLE DATA_FR (AREAHA REAL);");
  ASSERT_TRUE(modals.messages.isEmpty());
  Choose(1);
  EXPECT_EQ(modals.messages.size(), 1);
  emit form->Combo1()->activated(1);  // choosing the entry already shown runs it again
  EXPECT_EQ(modals.messages.size(), 2);
  EXPECT_TRUE(modals.messages.last().startsWith("The database cannot be read: table UNITS_FR is missing."))
      << modals.messages.last().toStdString();
  Choose(0);  // the program goes on after an error
  EXPECT_EQ(modals.messages.size(), 2);
  EXPECT_EQ(Entries(form->Combo2()), (QStringList{"All", "AT1"}));
}

TEST_F(Form1Test, ACountryWithoutValuesGetsListsHoldingJustAll) {
  Load(testing::CountryTablesSql("AT") + testing::InsertUnits("AT") +
       "('FINAL', '', '', '', 'AT1', 'AT11', 'AT111', 'E1', 'E2');");
  EXPECT_TRUE(modals.messages.isEmpty()) << modals.messages.join("\n").toStdString();
  EXPECT_EQ(Entries(form->Combo4()), QStringList{"All"});
  EXPECT_EQ(Entries(form->Combo5()), QStringList{"All"});
}

TEST_F(Form1Test, StartUpFailuresNameTheFile) {
  form = std::make_unique<Form1>(folder.str(), modals, office);
  EXPECT_FALSE(form->Form_Load());
  ASSERT_EQ(modals.messages.size(), 1);
  // A missing database is named whole, with how to get one.
  EXPECT_TRUE(modals.messages[0].startsWith(
      QString::fromStdString("The database " + folder.File("MOSA_DB.mdb") + " does not exist.")))
      << modals.messages[0].toStdString();
  EXPECT_TRUE(modals.messages[0].contains("quorvia-run --make-demo FOLDER"))
      << modals.messages[0].toStdString();

  std::filesystem::create_directory(folder.File("MOSA_DB.mdb"));
  Form1 onFolder(folder.str(), modals, office);
  EXPECT_FALSE(onFolder.Form_Load());
  EXPECT_TRUE(modals.messages.last().contains("is a folder, not a file"))
      << modals.messages.last().toStdString();

  testing::TempFolder other;
  {
    std::ofstream(other.File("MOSA_DB.mdb")) << "this is not a database, just some text that is long enough";
  }
  Form1 window(other.str(), modals, office);
  EXPECT_FALSE(window.Form_Load());
  EXPECT_TRUE(modals.messages.last().contains("Error 26")) << modals.messages.last().toStdString();
}

TEST_F(Form1Test, ADatabaseWithoutCountryTablesSaysSoAndWhatSuchATableLooksLike) {
  // A units table alone, and a data table of no country the program knows.
  Load("CREATE TABLE UNITS_AT (x); CREATE TABLE DATA_XY (AREAHA REAL, N0CD TEXT);");
  EXPECT_TRUE(loaded);
  ASSERT_EQ(modals.messages.size(), 1);
  EXPECT_TRUE(modals.messages[0].contains("holds no country table")) << modals.messages[0].toStdString();
  EXPECT_TRUE(modals.messages[0].contains("MOSA_DB.mdb"));
  EXPECT_TRUE(modals.messages[0].contains("DATA_FR") && modals.messages[0].contains("UNITS_FR"));
  // An update asked for all the same says so too, rather than to choose a country again.
  form->Command1()->click();
  form->WaitForRun();
  ASSERT_EQ(modals.messages.size(), 2);
  EXPECT_TRUE(modals.messages[1].contains("holds no country table")) << modals.messages[1].toStdString();
  EXPECT_FALSE(modals.messages[1].contains("Choose the country again"));
}

TEST_F(Form1Test, BoxesWhoseListsCouldNotBeReadAreNoSelection) {
  // DATA_ tables without UNITS_ tables: the lists cannot be read, the boxes keep their placeholders.
  std::string tables = testing::CountryTablesSql("AT");
  tables.erase(0, tables.find("CREATE TABLE DATA_AT"));
  Load(tables + testing::InsertRecords("AT") +
       "(1, 'AT', 'a', 'a', 'AT1', 'AT11', 'AT111', 'L', 'L', 'W', 'D', 'C');");
  ASSERT_TRUE(loaded);
  const auto messagesBefore = modals.messages.size();
  form->Command1()->click();
  form->WaitForRun();
  ASSERT_EQ(modals.messages.size(), messagesBefore + 1);
  // The boxes by their headings, not by the names of the controls.
  EXPECT_TRUE(
      modals.messages.back().startsWith("The update was not done: the lists of NUTS, Elevation Breakdown, "))
      << modals.messages.back().toStdString();
  EXPECT_FALSE(modals.messages.back().contains("Combo")) << modals.messages.back().toStdString();
  EXPECT_TRUE(form->Label1()->text().startsWith("Update not done")) << form->Label1()->text().toStdString();
  EXPECT_EQ(form->RunsNotDone(), 1);
  EXPECT_EQ(testing::QueryNumber(folder.File("MOSA_DB.mdb"),
                                 "SELECT count(*) FROM sqlite_master WHERE name = 'FILTERED'"),
            0);
}

TEST_F(Form1Test, UpdateShowsFiguresAndAnHonestWorkbookLine) {
  Load(TwoCountryTables() + kTwoCountries);
  form->Command1()->click();
  form->WaitForRun();
  const QStringList lines = form->Label1()->text().split("\r\n");
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], "1 records selected ");
  EXPECT_EQ(lines[1], " Total Area (Ha): 10");
  EXPECT_TRUE(lines[2].contains("NOT updated")) << lines[2].toStdString();
  // FILTERED agrees with the report that was not written: there was none before, and there is none now.
  EXPECT_EQ(lines[3], " Nothing was changed: FILTERED and the workbook are as they were");
  EXPECT_EQ(form->MousePointer(), 0);
  EXPECT_EQ(form->SelectionTexts().country, "AT Oesterreich");
  EXPECT_EQ(testing::QueryNumber(folder.File("MOSA_DB.mdb"),
                                 "SELECT count(*) FROM sqlite_master WHERE name = 'FILTERED'"),
            0);
}

TEST_F(Form1Test, AFailingUpdateIsReportedAndTheWindowRecovers) {
  Load(TwoCountryTables() + kTwoCountries);
  Choose(1);
  form->Option3(0)->setChecked(true);  // FR has no change1 column
  form->Command1()->click();
  form->WaitForRun();
  ASSERT_EQ(modals.messages.size(), 1);
  // Plain words first: the missing column by its name; the engine's number and words after them.
  EXPECT_TRUE(
      modals.messages[0].startsWith("The database cannot be read: column change1 is missing.\n\nError "))
      << modals.messages[0].toStdString();
  EXPECT_FALSE(form->Label1()->text().contains("records selected"));
  EXPECT_EQ(form->MousePointer(), 0);
}

class Form1BatchTest : public Form1Test {
 protected:
  void SetUp() override { Load(TwoCountryTables() + kTwoCountries); }
  // Answers the dialog: a unit, then the items at the given rows.
  void AnswerDialog(const QString& unit, const std::vector<int>& rows, bool cancel = false) {
    modals.driveDialog = [=, this](QDialog& dialog) {
      auto& form2 = dynamic_cast<batch_dialog::Form2&>(dialog);
      dialogSeen = &form2;
      form2.List1(0)->findItems(unit, Qt::MatchExactly).front()->setSelected(true);
      form2.Command1_Click();
      for (int row : rows) form2.List1(1)->item(row)->setSelected(true);
      if (cancel) {
        form2.Command2_Click();
      } else {
        form2.Command1_Click();
      }
    };
  }
  QPointer<QDialog> dialogSeen;
};

TEST_F(Form1BatchTest, CancelledDialogTouchesNothing) {
  AnswerDialog("Nuts", {0}, true);
  form->Command2_Click();
  form->WaitForRun();
  EXPECT_EQ(modals.modalShows, 1);
  EXPECT_TRUE(modals.inputBoxes.isEmpty());
  EXPECT_TRUE(form->Label1()->text().isEmpty());
  EXPECT_TRUE(dialogSeen.isNull());  // unloaded
  EXPECT_DOUBLE_EQ(testing::QueryNumber(folder.File("MOSA_DB.mdb"),
                                        "SELECT count(*) FROM sqlite_master WHERE name = 'FILTERED'"),
                   0);
}

TEST_F(Form1BatchTest, EmptyPrefixRunsNothing) {
  AnswerDialog("Nuts", {0});
  modals.inputAnswer = QString();
  form->Command2_Click();
  form->WaitForRun();
  ASSERT_EQ(modals.inputBoxes.size(), 1);
  EXPECT_EQ(modals.inputBoxes[0], "Type the filename prefix you want|Filename prefix|Prefix");
  EXPECT_TRUE(form->Label1()->text().isEmpty());
  EXPECT_TRUE(dialogSeen.isNull());
}

TEST_F(Form1BatchTest, ABatchWhoseCopiesFailSaysSoAfterTasksFinished) {
  AnswerDialog("Nuts", {0, 1});
  form->Command2_Click();
  form->WaitForRun();
  EXPECT_TRUE(form->Label1()->text().startsWith("Tasks finished\r\n0 of 2 items done; failed: AT1, AT2\r\n"))
      << form->Label1()->text().toStdString();
  EXPECT_EQ(form->Conditions().fragments.nutsRegion, " AND N1 = \"AT2\"");
  EXPECT_EQ(form->MousePointer(), 0);
  EXPECT_TRUE(dialogSeen.isNull());
}

}  // namespace
}  // namespace quorvia::app
