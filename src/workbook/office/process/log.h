#pragma once

#include <QLoggingCategory>

namespace quorvia::workbook::office {

// Errors that starting, finding and ending office processes deliberately passes over.
Q_DECLARE_LOGGING_CATEGORY(lcOfficeProcess)

}  // namespace quorvia::workbook::office
