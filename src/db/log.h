#pragma once

#include <QLoggingCategory>

namespace quorvia::db {

// Errors of the database layer that it deliberately passes over (a rollback after the failure that is
// reported).
Q_DECLARE_LOGGING_CATEGORY(lcDb)

}  // namespace quorvia::db
