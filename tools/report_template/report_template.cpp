#include "report_template.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/chart/XChartDocument.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XEmbeddedObjectSupplier.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/DataPilotFieldOrientation.hpp>
#include <com/sun/star/sheet/GeneralFunction.hpp>
#include <com/sun/star/sheet/XCellRangeAddressable.hpp>
#include <com/sun/star/sheet/XDataPilotDescriptor.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableChart.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "query/filters.h"
#include "vocabulary/data_tables.h"
#include "vocabulary/file_names.h"
#include "workbook/cover_layout.h"
#include "workbook/office/binding/data_binding.h"
#include "workbook/office/uno/uno_errors.h"
#include "workbook/office/uno/uno_page_style.h"
#include "workbook/office/uno/uno_properties.h"
#include "workbook/office/uno/uno_sheets.h"
#include "workbook/office/uno/uno_text.h"

namespace quorvia::tools {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;
using workbook::AutomationError;
using workbook::office::Properties;
using workbook::office::Property;
using workbook::office::ToOUString;
namespace fs = std::filesystem;

namespace {

using Sheet = Reference<css::sheet::XSpreadsheet>;
using Document = Reference<css::sheet::XSpreadsheetDocument>;

constexpr const char* kTitle = "Quorvia land-cover change report";

void SetText(const Sheet& sheet, int column, int row, const std::string& text) {
  Reference<css::text::XText>(sheet->getCellByPosition(column, row), UNO_QUERY_THROW)
      ->setString(ToOUString(text));
}

void SetProperty(const Reference<css::uno::XInterface>& object, const char* name, const Any& value) {
  Reference<css::beans::XPropertySet>(object, UNO_QUERY_THROW)
      ->setPropertyValue(rtl::OUString::createFromAscii(name), value);
}

void SetColumnWidth(const Sheet& sheet, int column, sal_Int32 hundredthsOfMm) {
  const auto columns = Reference<css::table::XColumnRowRange>(sheet, UNO_QUERY_THROW)->getColumns();
  SetProperty(Reference<css::uno::XInterface>(columns->getByIndex(column), UNO_QUERY_THROW), "Width",
              Any(hundredthsOfMm));
}

Document NewWorkbook(workbook::office::LibreOfficeApplication& office) {
  const auto component = office.Desktop()->loadComponentFromURL("private:factory/scalc", "_blank", 0,
                                                                Properties({Property("Hidden", Any(true))}));
  return Document(component, UNO_QUERY_THROW);
}

Sheet AddSheet(const Document& document, const char* name, sal_Int16 position) {
  document->getSheets()->insertNewByName(rtl::OUString::createFromAscii(name), position);
  return workbook::office::SheetAt(document, position);
}

void WriteCoverPage(const Sheet& cover) {
  Reference<css::container::XNamed>(cover, UNO_QUERY_THROW)
      ->setName(rtl::OUString::createFromAscii(kCoverSheetName));
  SetText(cover, 0, 0, kTitle);
  SetProperty(cover->getCellByPosition(0, 0), "CharWeight", Any(150.0f));
  SetProperty(cover->getCellByPosition(0, 0), "CharHeight", Any(16.0f));
  // Beside the cells that each refresh fills: the data status, the filters, the change source.
  SetText(cover, 0, workbook::kDataStatusRow - 1, workbook::kDataStatusLabel);
  for (const query::Filter& filter : query::kFilters) {
    SetText(cover, 0, workbook::CoverRowOf(filter.coverCell) - 1, filter.coverLabel);
  }
  SetText(cover, 0, workbook::kChangeSourceRow - 1, workbook::kChangeSourceLabel);
  SetColumnWidth(cover, 0, 6000);
  SetColumnWidth(cover, 1, 9000);
}

// The bound data sheet: the query's header and, until the first refresh, one empty change type so that
// the pivot table and the chart have a source to point at.
css::table::CellRangeAddress WriteDataSheet(const Sheet& data, sal_Int16 sheetIndex) {
  SetText(data, 0, 0, "CHANGE");
  SetText(data, 1, 0, "AREA");
  SetText(data, 0, 1, "-");
  data->getCellByPosition(1, 1)->setValue(0.0);
  const workbook::office::DataBinding binding{vocabulary::kDatabaseFileName, vocabulary::kFilteredQuery};
  SetText(data, workbook::office::kBindingRecordColumn, workbook::office::kBindingRecordRow,
          workbook::office::FormatBindingRecord(binding));
  SetProperty(data, "IsVisible", Any(false));
  return css::table::CellRangeAddress(sheetIndex, 0, 0, 1, 1);
}

void AddPivotTable(const Sheet& report, sal_Int16 reportIndex, const css::table::CellRangeAddress& source) {
  const auto tables = workbook::office::PivotTablesOf(report);
  const auto descriptor = tables->createDataPilotDescriptor();
  descriptor->setSourceRange(source);
  const Reference<css::container::XNameAccess> fields(descriptor->getDataPilotFields(), UNO_QUERY_THROW);
  SetProperty(Reference<css::uno::XInterface>(fields->getByName("CHANGE"), UNO_QUERY_THROW), "Orientation",
              Any(css::sheet::DataPilotFieldOrientation_ROW));
  const Reference<css::uno::XInterface> area(fields->getByName("AREA"), UNO_QUERY_THROW);
  SetProperty(area, "Orientation", Any(css::sheet::DataPilotFieldOrientation_DATA));
  SetProperty(area, "Function", Any(css::sheet::GeneralFunction_SUM));
  tables->insertNewByName(rtl::OUString::createFromAscii(kPivotTableName),
                          css::table::CellAddress(reportIndex, 0, 2), descriptor);
}

void AddChart(const Sheet& report, const css::table::CellRangeAddress& source) {
  const auto charts = Reference<css::table::XTableChartsSupplier>(report, UNO_QUERY_THROW)->getCharts();
  const Sequence<css::table::CellRangeAddress> ranges(&source, 1);
  const auto chartName = rtl::OUString::createFromAscii(kChartName);
  charts->addNewByName(chartName, css::awt::Rectangle(9000, 1000, 16000, 9000), ranges, true, true);
  const Reference<css::document::XEmbeddedObjectSupplier> embedded(charts->getByName(chartName),
                                                                   UNO_QUERY_THROW);
  const Reference<css::chart::XChartDocument> chart(embedded->getEmbeddedObject(), UNO_QUERY_THROW);
  SetProperty(chart, "HasMainTitle", Any(true));
  SetProperty(chart->getTitle(), "String", Any(rtl::OUString("Area by change type (ha)")));
  SetProperty(chart, "HasLegend", Any(false));
}

void StoreAtomically(const Document& document, const fs::path& target) {
  std::string temporary = (target.parent_path() / ".~quorvia-template-XXXXXX").string();
  const int fd = mkstemp(temporary.data());
  if (fd < 0) throw AutomationError("cannot write in " + target.parent_path().string());
  fchmod(fd, 0644);
  close(fd);
  try {
    Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)
        ->storeToURL(workbook::office::FileUrlFromPath(temporary),
                     Properties({Property("FilterName", Any(rtl::OUString("MS Excel 97"))),
                                 Property("Overwrite", Any(true))}));
    fs::rename(temporary, target);
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
}

void BuildInto(const Document& document, const fs::path& target) {
  WriteCoverPage(workbook::office::SheetAt(document, 0));
  const auto report = AddSheet(document, kReportSheetName, 1);
  const auto data = AddSheet(document, kDataSheetName, 2);
  SetText(report, 0, 0, "Area by change type (ha)");
  SetProperty(report->getCellByPosition(0, 0), "CharWeight", Any(150.0f));
  const auto source = WriteDataSheet(data, 2);
  AddPivotTable(report, 1, source);
  AddChart(report, source);
  // The chart stands beside the pivot table: the report is wider than tall.
  // Each prints whole on one page, scaled down if need be.
  using workbook::office::GivePageStyle;
  using workbook::office::PageTurn;
  GivePageStyle(document, workbook::office::SheetAt(document, 0), "Cover page", PageTurn::portrait, true);
  GivePageStyle(document, report, "Report page", PageTurn::landscape, true);
  StoreAtomically(document, target);
}

}  // namespace

void BuildReportTemplate(workbook::office::LibreOfficeSystem& office, const std::string& path) {
  const fs::path target = fs::absolute(path);
  const auto application = office.ConnectOrStartOffice();
  workbook::office::TranslatingUnoErrors("build the report template " + target.string(), [&] {
    const auto document = NewWorkbook(*application);
    try {
      BuildInto(document, target);
    } catch (...) {
      Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
      throw;
    }
    Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true);
  });
}

}  // namespace quorvia::tools
