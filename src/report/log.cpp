#include "report/log.h"

namespace quorvia::report {

// Warnings by default; QT_LOGGING_RULES="quorvia.report.debug=true" also shows the ordinary cases passed
// over.
Q_LOGGING_CATEGORY(lcReport, "quorvia.report", QtWarningMsg)

}  // namespace quorvia::report
