#pragma once

#include <QLoggingCategory>

namespace quorvia::program_folder {

// Errors that choosing the folder deliberately passes over (a folder that cannot be remembered).
Q_DECLARE_LOGGING_CATEGORY(lcProgramFolder)

}  // namespace quorvia::program_folder
