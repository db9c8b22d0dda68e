#pragma once

#include <string>

#include "workbook/cover_layout.h"
#include "workbook/office/libreoffice_system.h"

namespace quorvia::tools {

// Names the template uses; the refresh finds its pieces by these.
inline constexpr const char* kCoverSheetName = workbook::kCoverWorksheet;
inline constexpr const char* kReportSheetName = "Report";
inline constexpr const char* kDataSheetName = "FilteredData";
inline constexpr const char* kPivotTableName = "AreaByChange";
inline constexpr const char* kChartName = "AreaChart";

// Writes the report workbook template (an .xls file) to path, atomically: a cover sheet "CoverPage" with the
// labels beside the cells a refresh fills (B12..B20), a visible "Report" sheet with a pivot table (sum of
// AREA by CHANGE) and a bar chart, and a hidden data sheet bound to the stored query FILTERED of MOSA_DB.mdb
// in the workbook's folder. Uses (and if need be starts) the office of the given system. AutomationError on
// failure.
void BuildReportTemplate(workbook::office::LibreOfficeSystem& office, const std::string& path);

}  // namespace quorvia::tools
