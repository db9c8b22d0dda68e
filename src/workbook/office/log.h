#pragma once

#include <QLoggingCategory>

namespace quorvia::workbook::office {

// Errors that the office application and system deliberately pass over, each with a line here.
Q_DECLARE_LOGGING_CATEGORY(lcOffice)

}  // namespace quorvia::workbook::office
