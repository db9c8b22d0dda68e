#include "workbook/office/binding/bound_data_sheets.h"

#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XDataPilotDescriptor.hpp>
#include <com/sun/star/sheet/XDataPilotTable.hpp>
#include <com/sun/star/sheet/XSheetOperation.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/table/XTableChart.hpp>
#include <com/sun/star/table/XTableChartsSupplier.hpp>
#include <com/sun/star/text/XText.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "db/ascii_case.h"
#include "db/pg/server_connection.h"
#include "workbook/office/binding/stored_query_reader.h"
#include "workbook/office/uno/uno_sheets.h"
#include "workbook/office/uno/uno_text.h"

namespace quorvia::workbook::office {

using css::uno::Any;
using css::uno::Reference;
using css::uno::Sequence;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;

namespace {

Any ToAny(const QueryValue& value) {
  if (const auto* number = std::get_if<double>(&value)) return Any(*number);
  if (const auto* text = std::get_if<std::string>(&value)) return Any(ToOUString(*text));
  return Any();  // an empty cell
}

Sequence<Sequence<Any>> ToDataArray(const QueryTable& table) {
  Sequence<Sequence<Any>> data(static_cast<sal_Int32>(table.rows.size() + 1));
  auto* rows = data.getArray();
  Sequence<Any> header(static_cast<sal_Int32>(table.columns.size()));
  std::transform(table.columns.begin(), table.columns.end(), header.getArray(),
                 [](const std::string& name) { return Any(ToOUString(name)); });
  rows[0] = header;
  for (std::size_t r = 0; r < table.rows.size(); ++r) {
    Sequence<Any> row(static_cast<sal_Int32>(table.rows[r].size()));
    std::transform(table.rows[r].begin(), table.rows[r].end(), row.getArray(), ToAny);
    rows[r + 1] = row;
  }
  return data;
}

// Clears every cell a bound query may have filled before, so that a smaller result leaves no old rows.
void ClearDataArea(const Reference<css::sheet::XSpreadsheet>& sheet) {
  using namespace css::sheet::CellFlags;
  const auto area = sheet->getCellRangeByPosition(0, 0, kMaxBoundColumns - 1, kMaxBoundDataRows);
  Reference<css::sheet::XSheetOperation>(area, UNO_QUERY_THROW)
      ->clearContents(VALUE | DATETIME | STRING | FORMULA);
}

void WriteTable(const Reference<css::sheet::XSpreadsheet>& sheet, const QueryTable& table) {
  ClearDataArea(sheet);
  const auto target = sheet->getCellRangeByPosition(0, 0, static_cast<sal_Int32>(table.columns.size()) - 1,
                                                    static_cast<sal_Int32>(table.rows.size()));
  Reference<css::sheet::XCellRangeData>(target, UNO_QUERY_THROW)->setDataArray(ToDataArray(table));
}

void ResizePivots(const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 boundSheet, sal_Int32 lastRow,
                  bool refresh) {
  const auto tables = PivotTablesOf(sheet);
  for (const auto& name : tables->getElementNames()) {
    const Reference<css::sheet::XDataPilotDescriptor> pivot(tables->getByName(name), UNO_QUERY_THROW);
    auto source = pivot->getSourceRange();
    if (source.Sheet != boundSheet) continue;
    source.EndRow = std::max(lastRow, source.StartRow + 1);
    pivot->setSourceRange(source);
    if (refresh) Reference<css::sheet::XDataPilotTable>(pivot, UNO_QUERY_THROW)->refresh();
  }
}

void ResizeCharts(const Reference<css::sheet::XSpreadsheet>& sheet, sal_Int32 boundSheet, sal_Int32 lastRow) {
  const Reference<css::table::XTableChartsSupplier> supplier(sheet, UNO_QUERY);
  if (!supplier.is()) return;
  const Reference<css::container::XNameAccess> charts(supplier->getCharts(), UNO_QUERY_THROW);
  for (const auto& name : charts->getElementNames()) {
    const Reference<css::table::XTableChart> chart(charts->getByName(name), UNO_QUERY_THROW);
    auto ranges = chart->getRanges();
    bool changed = false;
    for (auto& range : ranges) {
      if (range.Sheet != boundSheet) continue;
      range.EndRow = std::max(lastRow, range.StartRow);
      changed = true;
    }
    if (changed) chart->setRanges(ranges);
  }
}

}  // namespace

std::optional<DataBinding> BindingOfSheet(const Reference<css::sheet::XSpreadsheet>& sheet) {
  const auto cell = sheet->getCellByPosition(kBindingRecordColumn, kBindingRecordRow);
  const Reference<css::text::XText> text(cell, UNO_QUERY_THROW);
  return ParseBindingRecord(ToUtf8(text->getString()));
}

namespace {

// The file header holds the change counter every commit in rollback-journal mode increases; the header of
// the write-ahead log changes when the log restarts, and its size and time with every commit in between.
constexpr std::size_t kDatabaseHeaderBytes = 100;
constexpr std::size_t kWalHeaderBytes = 32;
// Documents remembered at most: an office of ours holds one or two at a time.
constexpr std::size_t kMostEntries = 16;

}  // namespace

BoundSheetReloads::FileState BoundSheetReloads::StateOf(const std::string& path, std::size_t headerBytes) {
  FileState state;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return state;
  state.exists = true;
  state.device = info.st_dev;
  state.inode = info.st_ino;
  state.size = info.st_size;
  state.modifiedNs = static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000LL + info.st_mtim.tv_nsec;
  std::ifstream in(path, std::ios::binary);
  state.header.resize(headerBytes);
  in.read(reinterpret_cast<char*>(state.header.data()), static_cast<std::streamsize>(headerBytes));
  state.header.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
  return state;
}

BoundSheetReloads::DatabaseState BoundSheetReloads::DatabaseStateOf(const std::string& path) {
  return {StateOf(path, kDatabaseHeaderBytes), StateOf(path + "-wal", kWalHeaderBytes)};
}

void BoundSheetReloads::Offer(const std::string& databasePath, const std::string& query, QueryTable rows) {
  // A server's query is known by its connection file: a change on the server leaves no trace here, which
  // is why such rows count only until the refresh they were offered for withdraws them.
  const std::string stateFile =
      db::pg::PointsAtServer(databasePath) ? db::pg::ServerConnectionFileFor(databasePath) : databasePath;
  OfferedRows offered{query, DatabaseStateOf(stateFile), std::move(rows)};
  const std::lock_guard lock(offeredMutex_);
  offered_ = std::move(offered);
}

void BoundSheetReloads::Withdraw() {
  const std::lock_guard lock(offeredMutex_);
  offered_.reset();
}

std::optional<QueryTable> BoundSheetReloads::TakeOffered(const DataBinding& binding,
                                                         const DatabaseState& database) {
  const std::lock_guard lock(offeredMutex_);
  // The same file, unchanged since: its identity (device and inode), size, time and header all agree.
  if (!offered_ || !database.file.exists || offered_->database != database ||
      !db::EqualsIgnoringAsciiCase(offered_->query, binding.query)) {
    return std::nullopt;
  }
  // Rows that a read would refuse are read, so that the refusal is the reader's own.
  if (offered_->rows.columns.size() > kMaxBoundColumns || offered_->rows.rows.size() > kMaxBoundDataRows) {
    return std::nullopt;
  }
  std::optional<QueryTable> rows = std::move(offered_->rows);
  offered_.reset();
  return rows;
}

void BoundSheetReloads::ReloadIfChanged(const Reference<css::sheet::XSpreadsheetDocument>& document,
                                        sal_Int32 sheetIndex, const DataBinding& binding) {
  const Reference<css::uno::XInterface> key(document, UNO_QUERY);
  const auto remembered = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
    return entry.document == key && entry.sheet == sheetIndex;
  });
  const std::string databasePath = FolderOf(document) + "/" + binding.databaseFile;
  // A query on a server is read every time, unless the program has just read it: a change there leaves
  // no trace in any file here.
  if (db::pg::PointsAtServer(databasePath)) {
    Forget(key);
    const auto offered = TakeOffered(binding, DatabaseStateOf(db::pg::ServerConnectionFileFor(databasePath)));
    if (!offered) ++queriesRead_;
    ReloadBoundSheet(document, sheetIndex, binding, false, offered ? &*offered : nullptr);
    return;
  }
  // Taken before the read: a commit made while the query is read shows as a change next time.
  const DatabaseState database = DatabaseStateOf(databasePath);
  if (remembered != entries_.end()) {
    if (database.file.exists && remembered->binding == binding && remembered->database == database) return;
    entries_.erase(remembered);  // a failed reload below must not leave the old state standing
  }
  const auto offered = TakeOffered(binding, database);
  if (!offered) ++queriesRead_;
  ReloadBoundSheet(document, sheetIndex, binding, false, offered ? &*offered : nullptr);
  if (entries_.size() >= kMostEntries) entries_.erase(entries_.begin());
  entries_.push_back({key, sheetIndex, binding, database});
}

void BoundSheetReloads::Forget(const Reference<css::uno::XInterface>& document) {
  std::erase_if(entries_, [&](const Entry& entry) { return entry.document == document; });
}

void ReloadBoundSheet(const Reference<css::sheet::XSpreadsheetDocument>& document, sal_Int32 sheetIndex,
                      const DataBinding& binding, bool refreshPivots, const QueryTable* rows) {
  const std::string databasePath = FolderOf(document) + "/" + binding.databaseFile;
  QueryTable read;
  if (!rows) read = ReadStoredQuery(databasePath, binding.query, kMaxBoundColumns, kMaxBoundDataRows);
  const QueryTable& table = rows ? *rows : read;
  WriteTable(SheetAt(document, sheetIndex), table);
  const auto lastRow = static_cast<sal_Int32>(table.rows.size());
  const sal_Int32 sheetCount = SheetCountOf(document);
  for (sal_Int32 s = 0; s < sheetCount; ++s) {
    const auto sheet = SheetAt(document, s);
    ResizePivots(sheet, sheetIndex, lastRow, refreshPivots);
    ResizeCharts(sheet, sheetIndex, lastRow);
  }
}

}  // namespace quorvia::workbook::office
