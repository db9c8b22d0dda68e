// The automation members against a real headless office: documents, sheets, pivot refresh through the
// workbook's database binding, cells, saving and copying.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "office_test_support.h"
#include "report_template.h"
#include "workbook/office/binding/bound_data_sheets.h"
#include "workbook/office/uno/uno_sheets.h"

namespace quorvia::workbook::office::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWorkbook = "mosa_query.xls";

class OfficeWorkbookTest : public OfficeSuite {
 protected:
  // Hands the data sheet the rows FILTERED returns now, as a run does after its own read.
  void FillFromDatabase(const fs::path& folder) {
    Office().FillFilteredSheets(kWorkbook, FilteredRows(folder / "MOSA_DB.mdb"));
  }
  // Opens the program folder's workbook the way a refresh does and refreshes its report pivot.
  void OpenAndRefreshReport(const fs::path& folder) {
    Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
    FillFromDatabase(folder);
    Office().SelectSheet(kWorkbook, 2);
    Office().RefreshActiveSheetPivotTable(kWorkbook, 1);
  }
};

TEST_F(OfficeWorkbookTest, TemplateHasCoverReportAndHiddenBoundDataSheet) {
  WorkbookProbe probe(Office());
  const auto name = probe.Load(TemplatePath());
  EXPECT_EQ(Office().SheetCount(name), 3);
  EXPECT_TRUE(Office().SheetVisible(name, 1));
  EXPECT_TRUE(Office().SheetVisible(name, 2));
  EXPECT_FALSE(Office().SheetVisible(name, 3));
  // Stored workbooks put their texts beside these labels: they keep their rows.
  const std::vector<std::string> labels = {"Data status",
                                           "Country",
                                           "",
                                           "NUTS region",
                                           "Elevation breakdown",
                                           "Dominant land cover type",
                                           "Watershed code",
                                           "Distance to shoreline",
                                           "Change source",
                                           ""};
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const std::string cell = "A" + std::to_string(12 + i);
    EXPECT_EQ(probe.CellText(name, "CoverPage", cell), labels[i]) << cell;
  }
  EXPECT_EQ(probe.CellText(name, "FilteredData", "Z1"), "sqlite:MOSA_DB.mdb#FILTERED");
  Office().SelectSheet(name, 2);
  EXPECT_EQ(Office().ActiveSheetPivotTableCount(name), 1);
}

TEST_F(OfficeWorkbookTest, PivotRefreshReadsTheRewrittenQueryAndSurvivesSaving) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  OpenAndRefreshReport(folder);
  WorkbookProbe probe(Office());
  EXPECT_EQ(probe.PivotOutput(kWorkbook, "Report"),
            (PivotFigures{{"forest", 20}, {"urban", 15.5}, {"water", 1.25}, {"Total Result", 36.75}}));
  EXPECT_EQ(probe.ChartRows(kWorkbook, "Report"), 3);

  RewriteFiltered(folder / "MOSA_DB.mdb", "second");

  FillFromDatabase(folder);
  Office().RefreshActiveSheetPivotTable(kWorkbook, 1);
  const PivotFigures second{
      {"arable", 42}, {"forest", 7}, {"urban", 3}, {"wetland", 0.5}, {"Total Result", 52.5}};
  EXPECT_EQ(probe.PivotOutput(kWorkbook, "Report"), second);
  EXPECT_EQ(probe.ChartRows(kWorkbook, "Report"), 4);
  Office().Save(kWorkbook);

  const auto reloaded = probe.Load(folder / "MOSA_QUERY.xls");
  EXPECT_EQ(probe.PivotOutput(reloaded, "Report"), second);
  EXPECT_EQ(probe.ChartRows(reloaded, "Report"), 4);
  EXPECT_EQ(probe.CellText(reloaded, "FilteredData", "Z1"), "sqlite:MOSA_DB.mdb#FILTERED");
}

TEST_F(OfficeWorkbookTest, WorkbooksAreNamedByFileAndFoundWhateverTheCase) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  const int before = Office().WorkbookCount();
  Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  ASSERT_EQ(Office().WorkbookCount(), before + 1);
  EXPECT_EQ(Office().WorkbookName(before + 1), "MOSA_QUERY.xls");
  EXPECT_EQ(Office().SheetCount("MoSa_QuErY.XLS"), 3);
  EXPECT_THROW(Office().SheetCount("other.xls"), AutomationError);
  EXPECT_THROW(Office().WorkbookName(before + 2), AutomationError);
  EXPECT_THROW(Office().OpenWorkbook((folder / "missing.xls").string(), 3), AutomationError);
  EXPECT_EQ(Office().WorkbookCount(), before + 1);
}

TEST_F(OfficeWorkbookTest, SelectingSheetsOfAHiddenDocumentChangesTheActiveSheet) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  Office().SelectSheet(kWorkbook, 2);
  EXPECT_EQ(Office().ActiveSheetPivotTableCount(kWorkbook), 1);
  Office().SelectSheet(kWorkbook, 1);
  EXPECT_EQ(Office().ActiveSheetPivotTableCount(kWorkbook), 0);
  EXPECT_THROW(Office().SelectSheet(kWorkbook, 3), AutomationError) << "the data sheet is hidden";
  EXPECT_THROW(Office().SelectSheet(kWorkbook, 4), AutomationError);
  EXPECT_THROW(Office().RefreshActiveSheetPivotTable(kWorkbook, 1), AutomationError) << "cover has no pivot";
}

TEST_F(OfficeWorkbookTest, WrittenCellsHoldTheTextUnparsed) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  Office().WriteCell(kWorkbook, "coverpage", "B13", "=1+1");
  Office().WriteCell(kWorkbook, "CoverPage", "B15", "007");
  Office().WriteCell(kWorkbook, "CoverPage", "B16", "Région d'Île-de-France");
  EXPECT_THROW(Office().WriteCell(kWorkbook, "NoSuchSheet", "B13", "x"), AutomationError);
  EXPECT_THROW(Office().WriteCell(kWorkbook, "CoverPage", "not a cell", "x"), AutomationError);
  Office().Save(kWorkbook);

  WorkbookProbe probe(Office());
  const auto saved = probe.Load(folder / "MOSA_QUERY.xls");
  EXPECT_EQ(probe.CellText(saved, "CoverPage", "B13"), "=1+1");
  EXPECT_FALSE(probe.CellIsFormula(saved, "CoverPage", "B13"));
  EXPECT_EQ(probe.CellText(saved, "CoverPage", "B15"), "007");
  EXPECT_EQ(probe.CellText(saved, "CoverPage", "B16"), "Région d'Île-de-France");
}

TEST_F(OfficeWorkbookTest, ASmallerResultLeavesNoOldRowsAndAnEmptyOneNoStaleFigures) {
  auto data = kTwoSelections;
  data["one"] = {{"urban", 2.0}};
  const auto folder = MakeProgramFolder(data, "second");
  OpenAndRefreshReport(folder);
  WorkbookProbe probe(Office());
  EXPECT_EQ(probe.UsedRows(kWorkbook, "FilteredData"), 5);

  RewriteFiltered(folder / "MOSA_DB.mdb", "one");

  FillFromDatabase(folder);
  Office().RefreshAll(kWorkbook);
  EXPECT_EQ(probe.UsedRows(kWorkbook, "FilteredData"), 2);
  EXPECT_EQ(probe.PivotOutput(kWorkbook, "Report"), (PivotFigures{{"urban", 2}, {"Total Result", 2}}));
  EXPECT_EQ(probe.ChartRows(kWorkbook, "Report"), 1);

  RewriteFiltered(folder / "MOSA_DB.mdb", "nothing selected");

  FillFromDatabase(folder);
  Office().RefreshAll(kWorkbook);
  EXPECT_EQ(probe.UsedRows(kWorkbook, "FilteredData"), 1);
  const auto figures = probe.PivotOutput(kWorkbook, "Report");
  EXPECT_EQ(figures.count("urban"), 0u);
  EXPECT_EQ(figures.count("Total Result") ? figures.at("Total Result") : 0.0, 0.0);
}

TEST_F(OfficeWorkbookTest, TheOfficeNeitherReadsNorCreatesTheDatabase) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  OpenAndRefreshReport(folder);
  WorkbookProbe probe(Office());

  // A broken or missing FILTERED is the run's own read to report; the workbook works on what it holds.
  ExecuteSql(folder / "MOSA_DB.mdb",
             "DROP VIEW FILTERED; CREATE VIEW FILTERED AS SELECT nosuchcolumn FROM DATA_AT;");
  EXPECT_NO_THROW(Office().RefreshAll(kWorkbook));
  fs::remove(folder / "MOSA_DB.mdb");
  EXPECT_NO_THROW(Office().RefreshActiveSheetPivotTable(kWorkbook, 1));
  EXPECT_EQ(probe.UsedRows(kWorkbook, "FilteredData"), 4);
  EXPECT_EQ(probe.PivotOutput(kWorkbook, "Report"),
            (PivotFigures{{"forest", 20}, {"urban", 15.5}, {"water", 1.25}, {"Total Result", 36.75}}));
  EXPECT_FALSE(fs::exists(folder / "MOSA_DB.mdb")) << "the office must never create the database";
}

TEST_F(OfficeWorkbookTest, MoreRowsThanAnXlsSheetHoldsIsAnErrorNotACut) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  OpenAndRefreshReport(folder);
  QueryTable tooMany{{"CHANGE", "AREA"}, {}};
  for (int i = 1; i <= 65536; ++i) tooMany.rows.push_back({"c" + std::to_string(i), 1.0});
  try {
    Office().FillFilteredSheets(kWorkbook, tooMany);
    FAIL() << "65,536 rows cannot be kept in the workbook";
  } catch (const AutomationError& error) {
    EXPECT_NE(std::string(error.what()).find("65535"), std::string::npos) << error.what();
  }
  WorkbookProbe probe(Office());
  EXPECT_EQ(probe.UsedRows(kWorkbook, "FilteredData"), 4);
}

TEST_F(OfficeWorkbookTest, AWorkbookWithoutBindingIsRefreshedAsItStands) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  OpenAndRefreshReport(folder);
  // Without its record the data sheet is an ordinary sheet: no rows go into it, and a pivot table over it
  // shows figures that no selection made, so it is no report to refresh.
  Office().Close(kWorkbook);
  Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  Office().WriteCell(kWorkbook, "FilteredData", "Z1", "");
  EXPECT_NO_THROW(Office().FillFilteredSheets(kWorkbook, FilteredRows(folder / "MOSA_DB.mdb")));
  Office().SelectSheet(kWorkbook, 2);
  EXPECT_THROW(Office().RefreshActiveSheetPivotTable(kWorkbook, 1), PlainAutomationError);
  EXPECT_NO_THROW(Office().RefreshAll(kWorkbook));
  WorkbookProbe probe(Office());
  EXPECT_EQ(probe.PivotOutput(kWorkbook, "Report"), (PivotFigures{{"-", 0}, {"Total Result", 0}}));
}

TEST_F(OfficeWorkbookTest, CopyIsAtomicAndLeavesTheWorkbookWhereItWas) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  OpenAndRefreshReport(folder);
  std::ofstream(folder / "old_copy.xls") << "an older copy";
  Office().SaveCopyAs(kWorkbook, (folder / "old_copy.xls").string());
  EXPECT_GT(fs::file_size(folder / "old_copy.xls"), 1000u);

  EXPECT_THROW(Office().SaveCopyAs(kWorkbook, (folder / "no_such_folder" / "x.xls").string()),
               AutomationError);
  fs::create_directory(folder / "a_folder.xls");
  EXPECT_THROW(Office().SaveCopyAs(kWorkbook, (folder / "a_folder.xls").string()), AutomationError);
  for (const auto& entry : fs::directory_iterator(folder)) {
    EXPECT_FALSE(entry.path().filename().string().starts_with(".~quorvia")) << entry.path();
  }
  // The workbook still saves to its own file, not to a copy.
  const auto before = fs::last_write_time(folder / "MOSA_QUERY.xls");
  Office().WriteCell(kWorkbook, "CoverPage", "B13", "after the copy");
  Office().Save(kWorkbook);
  EXPECT_NE(fs::last_write_time(folder / "MOSA_QUERY.xls"), before);
}

TEST_F(OfficeWorkbookTest, ADocumentClosedUnderACallIsAnErrorNotACrash) {
  const auto folder = MakeProgramFolder(kTwoSelections, "first");
  Office().OpenWorkbook((folder / "MOSA_QUERY.xls").string(), 3);
  const auto document = Office().Workbook(kWorkbook);
  Office().Close(kWorkbook);  // as another client of the office would, between two calls of ours

  EXPECT_ANY_THROW(SheetNamedIgnoringCase(document, "CoverPage"));
  EXPECT_ANY_THROW(SheetCountOf(document));
  EXPECT_ANY_THROW(FillBoundSheet(document, 2, FilteredRows(folder / "MOSA_DB.mdb"), true));
  EXPECT_THROW(Office().WriteCell(kWorkbook, "CoverPage", "B13", "x"), AutomationError);
}

}  // namespace
}  // namespace quorvia::workbook::office::testing
