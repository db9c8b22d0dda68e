#pragma once

namespace quorvia::vocabulary {

// How a user writes the report template into a program folder with the installed programs: the main
// window's context-menu action, and the command.
inline constexpr const char* kWriteTemplateAction = "Write the report template";
inline constexpr const char* kMakeTemplateCommand = "quorvia-run --make-template";

// What to do about a report workbook that is missing or lacks what the refresh needs.
inline constexpr const char* kWriteTemplateAgain =
    "write the report template in its place: right-click Quorvia's window and choose \"Write the report "
    "template\", or run quorvia-run --make-template FOLDER (either writes it only where no MOSA_QUERY.xls "
    "is)";

}  // namespace quorvia::vocabulary
