// quorvia-report: shows the report workbook of Quorvia's program folder in a visible LibreOffice Calc
// window that Quorvia can reach, so that every UPDATE QUERY refreshes the very window the user watches.
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "program_folder/folder_choice.h"
#include "report/report_window.h"
#include "ui_common/application_icon.h"
#include "ui_common/qt_modal_host.h"
#include "vocabulary/file_names.h"
#include "workbook/spreadsheet_application.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "Usage: quorvia-report [--profile DIR] [--dialog] [FOLDER | --folder FOLDER]\n"
    "  Shows FOLDER/MOSA_QUERY.xls in LibreOffice Calc, in a window titled with the folder, where Quorvia\n"
    "  refreshes it in place on every UPDATE QUERY. FOLDER may also be a file in it (MOSA_DB.mdb,\n"
    "  MOSA_DB.pgconn, MOSA_QUERY.xls). Without FOLDER: the folder of this program when it holds\n"
    "  MOSA_DB.mdb, else the folder Quorvia opened last, else the one chosen in Quorvia's start dialog.\n"
    "  The reports of every folder are shown by one LibreOffice on a profile of its own (in\n"
    "  ~/.cache/quorvia/report-profile), beside any LibreOffice you run yourself. --profile uses the\n"
    "  profile DIR instead; --dialog also shows a failure in a message box (for the desktop menu, which\n"
    "  has no terminal).\n"
    "Exit status: 0 when the report is shown (or --help); 1 when it cannot be; 2 on a bad command line.\n";

// An argument that the loop below could not take.
std::string WhatIsWrong(const std::string& option, bool hasValue) {
  if (option == "--folder" || option == "--profile")
    return hasValue ? "more than one FOLDER" : option + " needs a value";
  return option.starts_with("-") ? "unknown option " + option : "more than one FOLDER";
}

fs::path ProgramsFolder() {
  std::error_code error;
  const auto self = fs::read_symlink("/proc/self/exe", error);
  return error ? fs::path(".") : self.parent_path();
}

// The window system is only needed for dialogs: a report opened from a terminal on a given folder
// starts without one.
QApplication& Application(std::optional<QApplication>& application, int& argc, char** argv) {
  if (!application) {
    application.emplace(argc, argv);
    QApplication::setApplicationName(quorvia::ui::kApplicationTitle);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quorvia.QuorviaReport"));
    QApplication::setWindowIcon(quorvia::ui::ApplicationIcon());
  }
  return *application;
}

// Started from the desktop menu, nobody reads standard error: the reason is shown in a window too.
void ShowInDialog(const std::string& message) {
  QMessageBox::warning(nullptr, "Quorvia report", QString::fromStdString(message));
}

}  // namespace

int main(int argc, char** argv) {
  quorvia::report::ReportRequest request;
  std::optional<fs::path> folder;
  bool dialog = false;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (option == "--folder" && hasValue && !folder) {
      folder = arguments[++i];
    } else if (option == "--profile" && hasValue) {
      request.profileDir = arguments[++i];
    } else if (option == "--dialog") {
      dialog = true;
    } else if (!option.starts_with("-") && !folder) {
      folder = option;
    } else if (option == "--help" || option == "-h") {
      std::cout << kUsage;
      return 0;
    } else {
      std::cerr << "quorvia-report: " << WhatIsWrong(option, hasValue) << "\n\n" << kUsage;
      return 2;
    }
  }
  if (folder) folder = quorvia::program_folder::FolderOfArgument(*folder);
  std::optional<QApplication> application;
  quorvia::ui::QtModalHost modals;
  quorvia::program_folder::FolderMemory memory;
  const quorvia::program_folder::StartRequest start{
      folder, ProgramsFolder(), quorvia::program_folder::BundledFilesBeside(ProgramsFolder())};
  // A folder that holds the report needs no question; anything else goes by the same rule as Quorvia's.
  if (!folder || !fs::is_regular_file(*folder / quorvia::vocabulary::kReportFileName)) {
    Application(application, argc, argv);
    const auto chosen = quorvia::program_folder::ChooseProgramFolder(nullptr, start, memory, modals);
    if (!chosen) return 0;
    quorvia::program_folder::OfferReportTemplate(nullptr, *chosen, start.bundled, modals);
    folder = chosen;
  }
  request.folder = quorvia::program_folder::NormalFolder(*folder).string();
  std::string failure;
  try {
    const auto shown = quorvia::report::ShowReport(request);
    std::cout << "MOSA_QUERY.xls is shown in LibreOffice Calc"
              << (shown.loadedWorkbook ? "" : " (brought to the front)")
              << "; click UPDATE QUERY in Quorvia to refresh it there.\n";
    memory.Remember(request.folder);
    return 0;
  } catch (const quorvia::report::ReportError& error) {
    failure = error.what();
  } catch (const quorvia::workbook::AutomationError& error) {
    failure = std::string("cannot reach LibreOffice: ") + error.what();
  }
  std::cerr << "quorvia-report: " << failure << "\n";
  if (dialog) {
    Application(application, argc, argv);
    ShowInDialog(failure);
  }
  return 1;
}
