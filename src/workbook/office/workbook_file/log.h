#pragma once

#include <QLoggingCategory>

namespace quorvia::workbook::office {

// Errors that the guard of the workbook file deliberately passes over (clean-up on the way).
Q_DECLARE_LOGGING_CATEGORY(lcOfficeWorkbookFile)

}  // namespace quorvia::workbook::office
