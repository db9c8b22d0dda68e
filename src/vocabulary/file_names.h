#pragma once

namespace quorvia::vocabulary {

// The database file of a program folder; the report workbook's data sheet names it too.
inline constexpr const char* kDatabaseFileName = "MOSA_DB.mdb";

// The report workbook's file name in the program folder.
inline constexpr const char* kReportFileName = "MOSA_QUERY.xls";

}  // namespace quorvia::vocabulary
