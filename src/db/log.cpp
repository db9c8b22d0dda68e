#include "db/log.h"

namespace quorvia::db {

Q_LOGGING_CATEGORY(lcDb, "quorvia.db", QtWarningMsg)

}  // namespace quorvia::db
