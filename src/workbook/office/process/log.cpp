#include "workbook/office/process/log.h"

namespace quorvia::workbook::office {

// Warnings by default; QT_LOGGING_RULES="quorvia.office.process.debug=true" also shows the ordinary cases
// passed over.
Q_LOGGING_CATEGORY(lcOfficeProcess, "quorvia.office.process", QtWarningMsg)

}  // namespace quorvia::workbook::office
