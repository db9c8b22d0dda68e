#include "workbook/office/office_log.h"

namespace quorvia::workbook::office {

// Warnings by default; QT_LOGGING_RULES="quorvia.office.debug=true" also shows the ordinary cases passed
// over.
Q_LOGGING_CATEGORY(officeLog, "quorvia.office", QtWarningMsg)

}  // namespace quorvia::workbook::office
