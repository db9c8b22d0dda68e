#include "report/report_log.h"

namespace quorvia::report {

// Warnings by default; QT_LOGGING_RULES="quorvia.report.debug=true" also shows the ordinary cases passed
// over.
Q_LOGGING_CATEGORY(reportLog, "quorvia.report", QtWarningMsg)

}  // namespace quorvia::report
