#pragma once

#include <optional>
#include <string>

namespace quorvia::workbook::office {

// Binds a hidden data sheet of a workbook to a stored query of a database file in the workbook's own
// folder. An .xls pivot table cannot keep a link to a database view, so the workbook records the link
// itself, as the text "sqlite:FILE#QUERY" in a fixed cell of the data sheet (a plain text cell survives
// every save as .xls). The query's result fills the sheet from A1 (header row, then the rows).
struct DataBinding {
  std::string databaseFile;  // plain file name, resolved in the workbook's folder
  std::string query;         // stored query (view) name

  friend bool operator==(const DataBinding&, const DataBinding&) = default;
};

// The cell holding the record: Z1, beyond every column a bound query may fill.
inline constexpr int kBindingRecordColumn = 25;
inline constexpr int kBindingRecordRow = 0;
inline constexpr int kMaxBoundColumns = kBindingRecordColumn;

// Rows below the header that an .xls sheet can hold.
inline constexpr int kMaxBoundDataRows = 65535;

std::string FormatBindingRecord(const DataBinding& binding);

// The binding, or nothing when the text is no record. A record naming a path instead of a plain file name,
// or a query name that is not a plain identifier, is no record either: a workbook must not make us read
// files outside its folder or run SQL of its own.
std::optional<DataBinding> ParseBindingRecord(const std::string& text);

}  // namespace quorvia::workbook::office
