#pragma once

#include <QLoggingCategory>

namespace quorvia::workbook {

// Errors that the report refresh deliberately passes over (showing the sheet that was in front).
Q_DECLARE_LOGGING_CATEGORY(lcWorkbookView)

}  // namespace quorvia::workbook
