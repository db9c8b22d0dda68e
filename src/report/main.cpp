// quorvia-report: shows the report workbook of Quorvia's program folder in a visible LibreOffice Calc
// window that Quorvia can reach, so that every UPDATE QUERY refreshes the very window the user watches.
#include <unistd.h>

#include <QApplication>
#include <QMessageBox>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "report/report_window.h"
#include "workbook/spreadsheet_application.h"

namespace {

constexpr const char* kUsage =
    "Usage: quorvia-report [--folder DIR] [--profile DIR] [--dialog]\n"
    "  Shows DIR/MOSA_QUERY.xls (default: the folder of this program) in LibreOffice Calc, where Quorvia\n"
    "  refreshes it in place on every UPDATE QUERY. --profile uses another LibreOffice profile than yours;\n"
    "  --dialog also shows a failure in a message box (for the desktop menu, which has no terminal).\n";

std::string ProgramFolder() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string(".") : self.parent_path().string();
}

// Started from the desktop menu, nobody reads standard error: the reason is shown in a window too.
void ShowInDialog(int argc, char** argv, const std::string& message) {
  QApplication application(argc, argv);
  QMessageBox::warning(nullptr, "Quorvia report", QString::fromStdString(message));
}

}  // namespace

int main(int argc, char** argv) {
  quorvia::report::ReportRequest request;
  request.folder = ProgramFolder();
  bool dialog = false;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    const bool hasValue = i + 1 < arguments.size();
    if (option == "--folder" && hasValue) {
      request.folder = arguments[++i];
    } else if (option == "--profile" && hasValue) {
      request.profileDir = arguments[++i];
    } else if (option == "--dialog") {
      dialog = true;
    } else {
      std::cerr << (option == "--help" ? "" : "quorvia-report: bad option " + option + "\n") << kUsage;
      return option == "--help" ? 0 : 2;
    }
  }
  std::string failure;
  try {
    const auto shown = quorvia::report::ShowReport(request);
    std::cout << "MOSA_QUERY.xls is shown in LibreOffice Calc"
              << (shown.loadedWorkbook ? "" : " (brought to the front)")
              << "; click UPDATE QUERY in Quorvia to refresh it there.\n";
    return 0;
  } catch (const quorvia::report::ReportError& error) {
    failure = error.what();
  } catch (const quorvia::workbook::AutomationError& error) {
    failure = std::string("cannot reach LibreOffice: ") + error.what();
  }
  std::cerr << "quorvia-report: " << failure << "\n";
  if (dialog) ShowInDialog(argc, argv, failure);
  return 1;
}
