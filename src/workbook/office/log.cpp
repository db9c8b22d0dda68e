#include "workbook/office/log.h"

namespace quorvia::workbook::office {

// Warnings by default; QT_LOGGING_RULES="quorvia.office.debug=true" also shows the ordinary cases passed
// over.
Q_LOGGING_CATEGORY(lcOffice, "quorvia.office", QtWarningMsg)

}  // namespace quorvia::workbook::office
