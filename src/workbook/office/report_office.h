#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "workbook/office/libreoffice_application.h"

namespace quorvia::workbook::office {

struct OfficeShared;

// The program that shows the report to the user in a visible office that Quorvia can reach.
inline constexpr const char* kReportProgram = "quorvia-report";

// The visible office that quorvia-report starts for a program folder listens on a pipe named after that
// folder, so Quorvia finds it from its folder alone and two folders never share one.
std::string ReportOfficePipeName(const std::string& programFolder);

// The report office of the folder, seeing only the workbooks loaded from that folder: a workbook of the
// same name from elsewhere is not the report. `shared` is what a LibreOfficeSystem shares with its handles
// (the bound on a call, the files it opened); tools without a system pass nothing.
// NoOfficeError when none listens.
std::unique_ptr<LibreOfficeApplication> ConnectToReportOffice(const std::string& programFolder,
                                                              std::shared_ptr<OfficeShared> shared = nullptr);

// The report office of the folder when it runs and shows a workbook of that folder; nothing otherwise.
std::unique_ptr<LibreOfficeApplication> ReportOfficeShowingFolder(const std::string& programFolder,
                                                                  std::shared_ptr<OfficeShared> shared);

// What the user reads when the workbook file is held by a program that Quorvia cannot reach.
std::string WorkbookInUseMessage(const std::filesystem::path& workbook);

}  // namespace quorvia::workbook::office
