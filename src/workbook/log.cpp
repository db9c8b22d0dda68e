#include "workbook/log.h"

namespace quorvia::workbook {

Q_LOGGING_CATEGORY(lcWorkbookView, "quorvia.workbook.view", QtWarningMsg)

}  // namespace quorvia::workbook
