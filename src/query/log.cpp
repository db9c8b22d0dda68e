#include "query/log.h"

namespace quorvia::query {

Q_LOGGING_CATEGORY(lcQuery, "quorvia.query", QtWarningMsg)

}  // namespace quorvia::query
