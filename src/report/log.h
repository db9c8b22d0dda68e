#pragma once

#include <QLoggingCategory>

namespace quorvia::report {

// Errors that showing the report deliberately passes over.
Q_DECLARE_LOGGING_CATEGORY(lcReport)

}  // namespace quorvia::report
