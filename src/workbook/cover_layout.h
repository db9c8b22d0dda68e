#pragma once

#include <cstddef>
#include <string>

namespace quorvia::workbook {

// The worksheet of the report workbook that shows what a run selected.
inline constexpr const char* kCoverWorksheet = "CoverPage";

// The cover page: labels in column A, the texts a refresh writes beside them in column B. The data status
// is on row 12 and the change source on row 20; the selection starts on row 13 with the country, leaves
// row 14 empty and goes on from row 15 in the filters' order. A selection longer than the six rows between
// them goes on below the change source, so that both keep their cells in workbooks written before.
inline constexpr int kDataStatusRow = 12;
inline constexpr int kChangeSourceRow = 20;
inline constexpr int kFirstSelectionRow = 13;
inline constexpr int kAfterCountryRow = 14;  // left empty
inline constexpr const char* kDataStatusLabel = "Data status";
inline constexpr const char* kChangeSourceLabel = "Change source";

// The row of the selection's text at `place` (0 = the country).
constexpr int SelectionRow(std::size_t place) {
  int row = kFirstSelectionRow;
  for (std::size_t i = 0; i < place; ++i) {
    do {
      ++row;
    } while (row == kAfterCountryRow || row == kChangeSourceRow);
  }
  return row;
}

// The row of a text cell such as "B13"; 0 for a cell outside column B.
constexpr int CoverRowOf(const char* cell) {
  if (cell == nullptr || cell[0] != 'B' || cell[1] == '\0') return 0;
  int row = 0;
  for (const char* digit = cell + 1; *digit != '\0'; ++digit) {
    if (*digit < '0' || *digit > '9') return 0;
    row = row * 10 + (*digit - '0');
  }
  return row;
}

// The text cell of a row: "B12" for row 12.
inline std::string CoverCellOf(int row) { return "B" + std::to_string(row); }

}  // namespace quorvia::workbook
