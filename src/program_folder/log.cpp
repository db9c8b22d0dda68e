#include "program_folder/log.h"

namespace quorvia::program_folder {

Q_LOGGING_CATEGORY(lcProgramFolder, "quorvia.program_folder", QtWarningMsg)

}  // namespace quorvia::program_folder
