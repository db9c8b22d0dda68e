#include "office_test_support.h"

#include <signal.h>
#include <stdlib.h>
#include <unistd.h>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XDataPilotTable.hpp>
#include <com/sun/star/sheet/XSheetCellCursor.hpp>
#include <com/sun/star/sheet/XUsedAreaCursor.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XTableChart.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <atomic>
#include <fstream>
#include <stdexcept>

#include <sqlite3.h>

#include "db/sqlite_statement.h"
#include "report_template.h"
#include "workbook/office/uno/uno_sheets.h"
#include "workbook/office/uno/uno_text.h"

namespace quorvia::workbook::office::testing {

namespace fs = std::filesystem;
using css::uno::Any;
using css::uno::Reference;
using css::uno::UNO_QUERY_THROW;

OfficeOptions PrivateOfficeOptions(const fs::path& root, const std::string& tag) {
  static std::atomic<int> counter{0};
  return OfficeOptions::Private(
      "quorvia_test_" + tag + "_" + std::to_string(getpid()) + "_" + std::to_string(counter++),
      (root / tag).string());
}

namespace {

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string FilteredView(const std::string& selectedTag) {
  return "DROP VIEW IF EXISTS FILTERED; CREATE VIEW FILTERED AS SELECT change1 as CHANGE, sum(AREAHA) as "
         "AREA "
         "FROM DATA_AT WHERE TAG = " +
         Quoted(selectedTag) + " group by change1;";
}

}  // namespace

QueryTable FilteredRows(const fs::path& file) {
  db::SqliteConnection connection(file.string(), SQLITE_OPEN_READONLY);
  db::SqliteStatement statement(connection.Handle(), "SELECT * FROM FILTERED");
  QueryTable table;
  for (int c = 0; c < statement.ColumnCount(); ++c) table.columns.push_back(statement.ColumnName(c));
  while (statement.Step()) {
    auto& row = table.rows.emplace_back();
    for (int c = 0; c < statement.ColumnCount(); ++c) row.push_back(SheetValue(statement.Column(c)));
  }
  return table;
}

namespace {

PivotFigures ParsePivotRows(const css::uno::Sequence<css::uno::Sequence<Any>>& rows) {
  PivotFigures figures;
  for (const auto& row : rows) {
    rtl::OUString label;
    double value = 0;
    if (row.getLength() >= 2 && (row[0] >>= label) && !label.isEmpty() && (row[1] >>= value)) {
      figures[ToUtf8(label)] = value;
    }
  }
  return figures;
}

Reference<css::sheet::XSpreadsheet> NamedSheet(LibreOfficeApplication& office, const std::string& workbook,
                                               const std::string& sheet) {
  return Reference<css::sheet::XSpreadsheet>(
      office.Workbook(workbook)->getSheets()->getByName(ToOUString(sheet)), UNO_QUERY_THROW);
}

}  // namespace

void WriteDatabase(const fs::path& file, const std::map<std::string, AreaRows>& rowsByTag,
                   const std::string& selectedTag) {
  std::string sql = "CREATE TABLE DATA_AT (TAG TEXT, change1 TEXT, change2 TEXT, AREAHA REAL);";
  for (const auto& [tag, rows] : rowsByTag) {
    for (const auto& [change, area] : rows) {
      sql += "INSERT INTO DATA_AT VALUES (" + Quoted(tag) + "," + Quoted(change) + "," + Quoted(change) +
             "," + std::to_string(area) + ");";
    }
  }
  ExecuteSql(file, sql + FilteredView(selectedTag));
}

void RewriteFiltered(const fs::path& file, const std::string& selectedTag) {
  ExecuteSql(file, FilteredView(selectedTag));
}

std::string WorkbookProbe::Load(const fs::path& file) {
  static std::atomic<int> counter{0};
  const std::string name = "probe_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + ".xls";
  const fs::path copy = fs::temp_directory_path() / name;
  fs::copy_file(file, copy, fs::copy_options::overwrite_existing);
  css::beans::PropertyValue hidden;
  hidden.Name = "Hidden";
  hidden.Value <<= true;
  office_.Desktop()->loadComponentFromURL(FileUrlFromPath(copy.string()), "_blank", 0,
                                          css::uno::Sequence<css::beans::PropertyValue>(&hidden, 1));
  loaded_.push_back(name);
  return name;
}

WorkbookProbe::~WorkbookProbe() {
  for (const auto& name : loaded_) {
    try {
      CloseAllNamed(office_, name);
      fs::remove(fs::temp_directory_path() / name);
    } catch (...) {
      // Best effort: the suite's office goes away at the end anyway.
    }
  }
}

PivotFigures WorkbookProbe::PivotOutput(const std::string& workbook, const std::string& sheet,
                                        int pivotIndex) {
  const auto target = NamedSheet(office_, workbook, sheet);
  const Reference<css::container::XIndexAccess> tables(PivotTablesOf(target), UNO_QUERY_THROW);
  const Reference<css::sheet::XDataPilotTable> pivot(tables->getByIndex(pivotIndex), UNO_QUERY_THROW);
  const auto output = pivot->getOutputRange();
  const auto range =
      target->getCellRangeByPosition(output.StartColumn, output.StartRow, output.EndColumn, output.EndRow);
  return ParsePivotRows(Reference<css::sheet::XCellRangeData>(range, UNO_QUERY_THROW)->getDataArray());
}

std::string WorkbookProbe::CellText(const std::string& workbook, const std::string& sheet,
                                    const std::string& cell) {
  const auto target = NamedSheet(office_, workbook, sheet)->getCellRangeByName(ToOUString(cell));
  return ToUtf8(Reference<css::text::XText>(target, UNO_QUERY_THROW)->getString());
}

bool WorkbookProbe::CellIsFormula(const std::string& workbook, const std::string& sheet,
                                  const std::string& cell) {
  const auto range = NamedSheet(office_, workbook, sheet)->getCellRangeByName(ToOUString(cell));
  return range->getCellByPosition(0, 0)->getType() == css::table::CellContentType_FORMULA;
}

int WorkbookProbe::UsedRows(const std::string& workbook, const std::string& sheet) {
  const auto target = NamedSheet(office_, workbook, sheet);
  const auto column = target->getCellRangeByPosition(0, 0, 0, 65535);
  const auto values = Reference<css::sheet::XCellRangeData>(column, UNO_QUERY_THROW)->getDataArray();
  int last = 0;
  for (int r = 0; r < values.getLength(); ++r) {
    rtl::OUString text;
    double number = 0;
    if (((values[r][0] >>= text) && !text.isEmpty()) || (values[r][0] >>= number)) last = r + 1;
  }
  return last;
}

int WorkbookProbe::ChartRows(const std::string& workbook, const std::string& sheet) {
  const auto charts =
      Reference<css::table::XTableChartsSupplier>(NamedSheet(office_, workbook, sheet), UNO_QUERY_THROW)
          ->getCharts();
  const Reference<css::container::XIndexAccess> indexed(charts, UNO_QUERY_THROW);
  const Reference<css::table::XTableChart> chart(indexed->getByIndex(0), UNO_QUERY_THROW);
  int lastRow = 0;
  for (const auto& range : chart->getRanges()) lastRow = std::max(lastRow, static_cast<int>(range.EndRow));
  return lastRow;  // the header is row 0
}

void CloseAllNamed(LibreOfficeApplication& office, const std::string& name) {
  for (int guard = 0; guard < 10; ++guard) {
    try {
      office.Close(name);
    } catch (const AutomationError&) {
      return;  // none left
    }
  }
}

std::unique_ptr<TempFolder> OfficeSuite::root_;
std::unique_ptr<LibreOfficeSystem> OfficeSuite::system_;
std::unique_ptr<LibreOfficeApplication> OfficeSuite::office_;
fs::path OfficeSuite::template_;

void OfficeSuite::SetUpTestSuite() {
  root_ = std::make_unique<TempFolder>("quorvia-office-suite");
  system_ = std::make_unique<LibreOfficeSystem>(PrivateOfficeOptions(Root(), "suite"));
  office_ = system_->ConnectOrStartOffice();
  template_ = Root() / "template" / "MOSA_QUERY.xls";
  fs::create_directories(template_.parent_path());
  tools::BuildReportTemplate(*system_, template_.string());
}

void OfficeSuite::TearDownTestSuite() {
  office_.reset();
  system_.reset();  // ends the suite's office
  root_.reset();
}

fs::path OfficeSuite::MakeProgramFolder(const std::map<std::string, AreaRows>& rowsByTag,
                                        const std::string& selectedTag) {
  const auto& folder = programFolders_.emplace_back(std::make_unique<TempFolder>("quorvia-program"))->Path();
  fs::copy_file(template_, folder / "MOSA_QUERY.xls");
  WriteDatabase(folder / "MOSA_DB.mdb", rowsByTag, selectedTag);
  return folder;
}

void OfficeSuite::TearDown() {
  // Nothing a test opened stays loaded in the shared office.
  if (office_) CloseAllNamed(*office_, "MOSA_QUERY.xls");
  programFolders_.clear();
}

bool ProcessGone(pid_t pid) {
  if (kill(pid, 0) != 0) return true;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string pidField, name, state;
  stat >> pidField >> name >> state;
  return state == "Z";
}

}  // namespace quorvia::workbook::office::testing
