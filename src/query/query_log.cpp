#include "query/query_log.h"

namespace quorvia::query {

Q_LOGGING_CATEGORY(queryLog, "quorvia.query", QtWarningMsg)

}  // namespace quorvia::query
