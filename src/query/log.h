#pragma once

#include <QLoggingCategory>

namespace quorvia::query {

// Errors that a run deliberately passes over (a question asked only to learn more about a failure that is
// reported).
Q_DECLARE_LOGGING_CATEGORY(lcQuery)

}  // namespace quorvia::query
