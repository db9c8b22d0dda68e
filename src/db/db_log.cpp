#include "db/db_log.h"

namespace quorvia::db {

Q_LOGGING_CATEGORY(dbLog, "quorvia.db", QtWarningMsg)

}  // namespace quorvia::db
