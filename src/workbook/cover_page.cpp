#include "workbook/cover_page.h"

#include <array>
#include <utility>

#include "workbook/skip_on_failure.h"

namespace quorvia::workbook {

namespace {

constexpr const char* kCoverWorksheet = "CoverPage";

}  // namespace

std::string ChangeSource(const std::string& changeField) {
  return changeField == "change1" ? "VARDA90 reviewed" : "Changes database";
}

bool WriteCoverPage(SpreadsheetApplication& application, const std::string& workbookName,
                    const std::string& Country, const std::string& Nuts, const std::string& Elevation,
                    const std::string& LandCover, const std::string& Watershed, const std::string& Shoreline,
                    const CoverPageSource& source, RefreshOutcome& outcome) {
  // The order is the template's reading order of the selection, then status and source.
  const std::array<std::pair<const char*, std::string>, 8> cells{{
      {"B13", Country},
      {"B15", Nuts},
      {"B16", Elevation},
      {"B17", LandCover},
      {"B18", Watershed},
      {"B19", Shoreline},
      {"B12", source.dataStatus},
      {"B20", ChangeSource(source.changeField)},
  }};
  bool allWritten = true;
  for (const auto& [cell, text] : cells) {
    allWritten &= RunStep(outcome, std::string(kCoverWorksheet) + "!" + cell,
                          [&] { application.WriteCell(workbookName, kCoverWorksheet, cell, text); });
  }
  return allWritten;
}

RefreshOutcome RefreshWorkbook(SpreadsheetSystem& system, const std::string& programFolder,
                               const std::string& CopyName, const std::string& Mode, const CoverPage& cover) {
  return RefreshWorkbook(system, programFolder, CopyName, Mode, cover.Country, cover.Nuts, cover.Elevation,
                         cover.LandCover, cover.Watershed, cover.Shoreline, cover.source);
}

}  // namespace quorvia::workbook
