#pragma once

#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "workbook/office/binding/data_binding.h"
#include "workbook/query_table.h"

namespace quorvia::workbook::office {

// The binding recorded in a sheet, or nothing for an ordinary sheet.
std::optional<DataBinding> BindingOfSheet(const css::uno::Reference<css::sheet::XSpreadsheet>& sheet);

// Refills bound sheet sheetIndex (0-based) from its query in the workbook's folder, then points the pivot
// tables and charts that read that sheet at the new rows, and refreshes those pivot tables when asked.
// AutomationError when the database or query cannot be read; the sheet is then left as it was. With
// rows given, those are the query's rows and the database is not read.
void ReloadBoundSheet(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document,
                      sal_Int32 sheetIndex, const DataBinding& binding, bool refreshPivots,
                      const QueryTable* rows = nullptr);

// Which state of its database file each bound sheet was last filled from. A sheet is read again only when
// the database changed since (its data or its queries' text, which every commit changes), so that a
// refresh reads the query once and not again for every pivot table and for the refresh of the whole
// workbook. Documents are told apart by identity: a document loaded anew is always read.
class BoundSheetReloads {
 public:
  // ReloadBoundSheet, unless the sheet already holds the result for the database as it is now.
  void ReloadIfChanged(const css::uno::Reference<css::sheet::XSpreadsheetDocument>& document,
                       sal_Int32 sheetIndex, const DataBinding& binding);
  // The document is closed: nothing of it is kept.
  void Forget(const css::uno::Reference<css::uno::XInterface>& document);
  void ForgetAll() noexcept { entries_.clear(); }

  // Rows of `query` that the program has just read from the database at databasePath: the next reload of
  // a sheet bound to that query of that database takes them instead of reading, provided the database
  // file is still as it was now (a server's query: within the refresh, until withdrawn). Replaces rows
  // offered before. May be called from any thread.
  void Offer(const std::string& databasePath, const std::string& query, QueryTable rows);
  void Withdraw();

  // Queries read from databases by any BoundSheetReloads of this process.
  static std::size_t QueriesRead() noexcept { return queriesRead_.load(); }

 private:
  struct FileState {
    bool exists = false;
    unsigned long device = 0, inode = 0;
    long long size = 0, modifiedNs = 0;
    std::vector<unsigned char> header;
    friend bool operator==(const FileState&, const FileState&) = default;
  };
  struct DatabaseState {
    FileState file, writeAheadLog;
    friend bool operator==(const DatabaseState&, const DatabaseState&) = default;
  };
  struct Entry {
    css::uno::Reference<css::uno::XInterface> document;
    sal_Int32 sheet;
    DataBinding binding;
    DatabaseState database;
  };
  struct OfferedRows {
    std::string query;
    DatabaseState database;
    QueryTable rows;
  };
  static FileState StateOf(const std::string& path, std::size_t headerBytes);
  static DatabaseState DatabaseStateOf(const std::string& path);
  // The offered rows, taken, when they are the binding's query's in the database whose state is given: the
  // same file (device and inode), unchanged since they were offered.
  std::optional<QueryTable> TakeOffered(const DataBinding& binding, const DatabaseState& database);

  std::vector<Entry> entries_;
  std::mutex offeredMutex_;
  std::optional<OfferedRows> offered_;
  static inline std::atomic<std::size_t> queriesRead_{0};
};

}  // namespace quorvia::workbook::office
