#include "workbook/office/workbook_file/log.h"

namespace quorvia::workbook::office {

// Warnings by default; QT_LOGGING_RULES="quorvia.office.workbook_file.debug=true" also shows the ordinary
// cases passed over.
Q_LOGGING_CATEGORY(lcOfficeWorkbookFile, "quorvia.office.workbook_file", QtWarningMsg)

}  // namespace quorvia::workbook::office
