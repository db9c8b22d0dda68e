// The batch summary workbook, written from plain values by the office that refreshes the report.
#include <com/sun/star/awt/Point.hpp>
#include <com/sun/star/awt/Rectangle.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/chart/ChartDataRowSource.hpp>
#include <com/sun/star/chart/XChartDocument.hpp>
#include <com/sun/star/container/XNameContainer.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/XEmbeddedObjectSupplier.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XMultiServiceFactory.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/table/XColumnRowRange.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>

#include <algorithm>
#include <variant>

#include "workbook/office/libreoffice_system.h"
#include "workbook/office/uno/uno_documents.h"
#include "workbook/office/uno/uno_errors.h"
#include "workbook/office/uno/uno_page_style.h"
#include "workbook/office/uno/uno_properties.h"
#include "workbook/office/uno/uno_sheets.h"
#include "workbook/office/uno/uno_text.h"
#include "workbook/office/workbook_file/workbook_file_guard.h"

namespace quorvia::workbook::office {
namespace {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY_THROW;
using Sheet = Reference<css::sheet::XSpreadsheet>;
using Document = Reference<css::sheet::XSpreadsheetDocument>;

constexpr const char* kChartName = "AreaByItem";
constexpr sal_Int32 kChartHeight = 11000;  // 1/100 mm
constexpr sal_Int32 kChartMinWidth = 17000;
constexpr std::size_t kRowsOnOnePage = 40;  // longer tables flow over pages, one page wide

void SetProperty(const Reference<css::uno::XInterface>& object, const char* name, const Any& value) {
  Reference<css::beans::XPropertySet>(object, UNO_QUERY_THROW)
      ->setPropertyValue(rtl::OUString::createFromAscii(name), value);
}

void SetText(const Sheet& sheet, int column, int row, const std::string& text) {
  Reference<css::text::XText>(sheet->getCellByPosition(column, row), UNO_QUERY_THROW)
      ->setString(ToOUString(text));
}

Any CellValue(const QueryValue& value) {
  if (const auto* number = std::get_if<double>(&value)) return Any(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return Any(ToOUString(*text));
  return Any(rtl::OUString());
}

sal_Int32 NumberFormat(const Document& document, const char* code) {
  const auto formats =
      Reference<css::util::XNumberFormatsSupplier>(document, UNO_QUERY_THROW)->getNumberFormats();
  const css::lang::Locale locale;
  const auto text = rtl::OUString::createFromAscii(code);
  const sal_Int32 key = formats->queryKey(text, locale, false);
  return key >= 0 ? key : formats->addNew(text, locale);
}

void WriteCover(const Sheet& cover, const SummaryBook& book) {
  Reference<css::container::XNamed>(cover, UNO_QUERY_THROW)
      ->setName(rtl::OUString::createFromAscii(kSummaryCoverSheet));
  SetText(cover, 0, 0, book.title);
  SetProperty(cover->getCellByPosition(0, 0), "CharWeight", Any(150.0f));
  SetProperty(cover->getCellByPosition(0, 0), "CharHeight", Any(16.0f));
  for (std::size_t i = 0; i < book.cover.size(); ++i) {
    SetText(cover, 0, static_cast<int>(i) + 2, book.cover[i].first);
    SetText(cover, 1, static_cast<int>(i) + 2, book.cover[i].second);
  }
  const auto columns = Reference<css::table::XColumnRowRange>(cover, UNO_QUERY_THROW)->getColumns();
  SetProperty(Reference<css::uno::XInterface>(columns->getByIndex(0), UNO_QUERY_THROW), "Width",
              Any(sal_Int32{6000}));
  SetProperty(Reference<css::uno::XInterface>(columns->getByIndex(1), UNO_QUERY_THROW), "Width",
              Any(sal_Int32{11000}));
}

void WriteTable(const Document& document, const Sheet& data, const SummaryBook& book) {
  const auto columnCount = static_cast<sal_Int32>(book.header.size());
  const auto rowCount = static_cast<sal_Int32>(book.rows.size());
  Sequence<Sequence<Any>> cells(rowCount + 1);
  auto* lines = cells.getArray();
  lines[0].realloc(columnCount);
  for (sal_Int32 c = 0; c < columnCount; ++c) lines[0].getArray()[c] = Any(ToOUString(book.header[c]));
  for (sal_Int32 r = 0; r < rowCount; ++r) {
    lines[r + 1].realloc(columnCount);
    const auto& row = book.rows[static_cast<std::size_t>(r)];
    for (sal_Int32 c = 0; c < columnCount; ++c) {
      lines[r + 1].getArray()[c] =
          c < static_cast<sal_Int32>(row.size()) ? CellValue(row[c]) : Any(rtl::OUString());
    }
  }
  Reference<css::sheet::XCellRangeData>(data->getCellRangeByPosition(0, 0, columnCount - 1, rowCount),
                                        UNO_QUERY_THROW)
      ->setDataArray(cells);
  SetProperty(data->getCellRangeByPosition(0, 0, columnCount - 1, 0), "CharWeight", Any(150.0f));
  if (rowCount > 0) {
    const sal_Int32 area = NumberFormat(document, "#,##0.00");
    for (const int column : book.areaColumns) {
      SetProperty(data->getCellRangeByPosition(column, 1, column, rowCount), "NumberFormat", Any(area));
    }
    if (book.shareColumn >= 0) {
      SetProperty(data->getCellRangeByPosition(book.shareColumn, 1, book.shareColumn, rowCount),
                  "NumberFormat", Any(NumberFormat(document, "0.00")));
    }
  }
  const auto columns = Reference<css::table::XColumnRowRange>(data, UNO_QUERY_THROW)->getColumns();
  for (sal_Int32 c = 0; c < columnCount; ++c) {
    SetProperty(Reference<css::uno::XInterface>(columns->getByIndex(c), UNO_QUERY_THROW), "OptimalWidth",
                Any(true));
  }
}

// Area by item, stacked by change type, below the table.
void AddChart(const Sheet& data, const SummaryBook& book, sal_Int16 sheetIndex) {
  if (book.chartFirstColumn > book.chartLastColumn || book.rows.empty()) return;
  const auto rows = static_cast<sal_Int32>(book.rows.size());
  css::awt::Point below;
  Reference<css::beans::XPropertySet>(data->getCellByPosition(0, rows + 2), UNO_QUERY_THROW)
      ->getPropertyValue("Position") >>= below;
  css::awt::Point right;
  Reference<css::beans::XPropertySet>(data->getCellByPosition(static_cast<sal_Int32>(book.header.size()), 0),
                                      UNO_QUERY_THROW)
      ->getPropertyValue("Position") >>= right;
  const css::table::CellRangeAddress sources[] = {
      css::table::CellRangeAddress(sheetIndex, book.chartLabelColumn, 0, book.chartLabelColumn, rows),
      css::table::CellRangeAddress(sheetIndex, book.chartFirstColumn, 0, book.chartLastColumn, rows)};
  const Sequence<css::table::CellRangeAddress> ranges(sources, 2);
  const auto charts = Reference<css::table::XTableChartsSupplier>(data, UNO_QUERY_THROW)->getCharts();
  const auto name = rtl::OUString::createFromAscii(kChartName);
  charts->addNewByName(name, css::awt::Rectangle(0, below.Y, std::max(kChartMinWidth, right.X), kChartHeight),
                       ranges, true, true);
  const Reference<css::document::XEmbeddedObjectSupplier> embedded(charts->getByName(name), UNO_QUERY_THROW);
  const Reference<css::chart::XChartDocument> chart(embedded->getEmbeddedObject(), UNO_QUERY_THROW);
  SetProperty(chart, "HasMainTitle", Any(true));
  SetProperty(chart->getTitle(), "String", Any(ToOUString(book.chartTitle)));
  SetProperty(chart, "HasLegend", Any(true));
  const Reference<css::uno::XInterface> diagram(chart->getDiagram(), UNO_QUERY_THROW);
  SetProperty(diagram, "DataRowSource", Any(css::chart::ChartDataRowSource_COLUMNS));
  SetProperty(diagram, "Stacked", Any(true));
}

void FillSummary(const Document& document, const SummaryBook& book) {
  WriteCover(SheetAt(document, 0), book);
  document->getSheets()->insertNewByName(rtl::OUString::createFromAscii(kSummaryDataSheet), 1);
  const Sheet data = SheetAt(document, 1);
  WriteTable(document, data, book);
  AddChart(data, book, 1);
  GivePageStyle(document, SheetAt(document, 0), "Summary cover", PageTurn::portrait, true);
  GivePageStyle(document, data, "Summary data", PageTurn::landscape, book.rows.size() <= kRowsOnOnePage);
}

}  // namespace

void LibreOfficeSystem::WriteSummaryWorkbook(const std::string& path, const SummaryBook& book) {
  const auto office = OfficeForFiles();
  TranslatingUnoErrors("write the summary workbook " + path, [&] {
    const auto component = office->Desktop()->loadComponentFromURL(
        "private:factory/scalc", "_blank", 0, Properties({Property("Hidden", Any(true))}));
    const Document document(component, UNO_QUERY_THROW);
    const auto close = [&] { Reference<css::util::XCloseable>(document, UNO_QUERY_THROW)->close(true); };
    try {
      FillSummary(document, book);
      WriteThroughTemporary("write " + path, path, [&](const std::string& temporary) {
        Reference<css::frame::XStorable>(document, UNO_QUERY_THROW)
            ->storeToURL(FileUrlFromPath(temporary),
                         Properties({Property("FilterName", Any(rtl::OUString::createFromAscii(kCopyFilter))),
                                     Property("Overwrite", Any(true))}));
      });
    } catch (...) {
      close();
      throw;
    }
    close();
  });
}

}  // namespace quorvia::workbook::office
